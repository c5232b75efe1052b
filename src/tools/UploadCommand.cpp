// lexmill-batch-upload: `lexmill-batch --upload NAME FILE...` runs this, kept
// apart so that lexmill-batch itself loads neither libcurl nor SQLite.
// Uploads the files through the stored connection NAME, on one connection,
// and never asks: a server it cannot trust fails the run.
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "FtpConnections.h"
#include "Inet.h"
#include "InetAddress.h"
#include "RemoteName.h"
#include "SettingsFile.h"
#include "TransferLibraryVersions.h"

namespace {

using namespace lexmill;

constexpr const char* kUsage =
    "Usage: lexmill-batch --upload NAME [--files-from LIST] FILE...\n"
    "Uploads the files through the connection NAME stored in Lexmill's FTP window.\n";

int UsageError(const std::string& why) {
    std::fprintf(stderr, "lexmill-batch: %s\n%s", why.c_str(), kUsage);
    return 2;
}

std::string Size(std::int64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    return text;
}

// Runs the component's operations one at a time on this thread.
class Runner {
  public:
    explicit Runner(Inet& inet) : inet_(inet) {
        inet_.setWakeUp([this] {
            std::lock_guard lock(mutex_);
            woken_ = true;
            wake_.notify_one();
        });
        inet_.StateChanged = [this](std::int16_t state) { failed_ |= state == Inet::icError; };
    }
    // False when the operation failed; `progress` runs as bytes go.
    bool Run(bool started, const std::function<void()>& progress = {}) {
        while (started && inet_.StillExecuting()) {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return woken_; });
            woken_ = false;
            lock.unlock();
            inet_.DeliverEvents();
            if (progress) progress();
        }
        return started && !failed_;
    }

  private:
    Inet& inet_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    bool failed_ = false;
};

bool ReadList(const std::string& list, std::vector<std::string>& files) {
    std::ifstream file;
    if (list != "-") {
        file.open(list);
        if (!file) return false;
    }
    std::istream& in = list == "-" ? std::cin : file;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) files.push_back(line);
    return true;
}

int ListConnections() {
    try {
        FtpConnections connections(defaultSettingsFile());
        connections.CheckReadable();
        for (const std::string& name : connections.Names()) std::printf("%s\n", name.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lexmill-batch: cannot read the settings file: %s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // lexmill-batch --version: the lines of the libraries only this program loads.
    if (args == std::vector<std::string>{"--library-versions"})
        return std::fputs(TransferLibraryVersions().c_str(), stdout) < 0 ? 1 : 0;
    // The bash completion of --upload NAME: the stored names, one a line.
    if (args == std::vector<std::string>{"--list-connections"}) return ListConnections();
    if (!args.empty() && args.front() == "--upload") args.erase(args.begin());
    if (args.empty()) return UsageError("--upload needs a connection name");
    const std::string name = args.front();
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--files-from") {
            if (++i == args.size()) return UsageError("--files-from needs a file");
            if (!ReadList(args[i], files))
                return UsageError("cannot read " + args[i] + ": " + std::strerror(errno));
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty()) return UsageError("no files to upload");
    // Each file goes under its own name into the one remote folder, as the
    // window sends it; two that share a name would leave only the second.
    std::vector<std::string> names;
    for (const std::string& file : files)
        names.push_back(std::filesystem::path(file).filename().string());
    if (const auto clash = FirstClash(names))
        return UsageError(files[clash->first] + " and " + files[clash->second] +
                          " would both be sent as \"" + RemoteName(names[clash->first]) + "\"");

    FtpConnection c;
    std::filesystem::path settings;
    try {
        settings = defaultSettingsFile();
        FtpConnections connections(settings);
        connections.CheckReadable();
        if (!std::filesystem::exists(settings) || connections.Find(name) == 0)
            return UsageError("no stored connection is named \"" + name + "\"");
        c = connections.Load(name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lexmill-batch: cannot read the settings file %s: %s\n",
                     settings.c_str(), e.what());
        return 1;
    }

    const int protocol = c.protocol == kProtocolNames[1]   ? Inet::icFTPTLS
                         : c.protocol == kProtocolNames[2] ? Inet::icSFTP
                                                           : Inet::icFTP;
    std::string why;
    const auto url = AddressUrl(c.address, c.protocol, &why);
    if (!url) {
        std::fprintf(stderr, "lexmill-batch: the connection \"%s\" cannot be used: %s\n",
                     name.c_str(), why.c_str());
        return 1;
    }
    Inet inet;
    inet.setProtocol(protocol);
    inet.setURL(*url);
    inet.setUserName(c.userName);
    inet.setPassword(c.password);
    int port = protocol == Inet::icSFTP ? 22 : 21;
    try {
        std::size_t end = 0;
        const int value = std::stoi(c.port, &end);
        if (value >= 1 && value <= 65535 &&
            c.port.find_first_not_of(" \t", end) == std::string::npos)
            port = value;
    } catch (const std::exception&) {
    }
    inet.setRemotePort(port);
    if (protocol == Inet::icFTPTLS) inet.setPinnedCertificate(c.pinnedCertificate);

    const bool terminal = ::isatty(STDERR_FILENO);
    Runner runner(inet);
    std::size_t sent = 0;
    bool ok = runner.Run(inet.ExecuteCd(c.remoteDir));
    for (; ok && sent < files.size(); ++sent) {
        const std::string remote = RemoteName(names[sent]);
        ok = runner.Run(inet.ExecutePut(files[sent], remote), [&] {
            if (terminal && inet.BytesTotal() > 0)
                std::fprintf(stderr, "\r\033[KUploading %s (%s of %s MB)", remote.c_str(),
                             Size(inet.BytesSent()).c_str(), Size(inet.BytesTotal()).c_str());
        });
        if (terminal) std::fputs("\r\033[K", stderr);
        if (ok)
            std::printf("%s\n", files[sent].c_str()), std::fflush(stdout);
        else
            break;
    }
    if (ok) ok = runner.Run(inet.ExecuteClose());
    if (!ok) {
        const UntrustedPeer peer = inet.Untrusted();
        const std::string why = peer.kind == UntrustedPeer::Kind::None ? inet.ResponseText()
                                                                       : DescribePeer(peer, false);
        std::fprintf(stderr, "lexmill-batch: upload failed after %zu of %zu files: %s\n", sent,
                     files.size(), why.c_str());
        return 1;
    }
    std::printf("Upload complete. %zu files sent.\n", sent);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
