// lexmill-batch-upload: `lexmill-batch --upload NAME FILE...` runs this, kept
// apart so that lexmill-batch itself loads neither libcurl nor SQLite.
// Uploads the files through the stored connection NAME, on one connection,
// and never asks: a server it cannot trust fails the run. `--trust NAME`
// trusts that server, asking on a terminal.
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "FtpConnections.h"
#include "Inet.h"
#include "InetAddress.h"
#include "RemoteCommands.h"
#include "RemoteName.h"
#include "SettingsFile.h"
#include "TransferLibraryVersions.h"

namespace {

using namespace lexmill;

constexpr const char* kUsage =
    "Usage: lexmill-batch --upload NAME [--create-dirs] [--files-from LIST] FILE...\n"
    "       lexmill-batch --trust NAME [--fingerprint FP]\n"
    "Uploads the files through the connection NAME stored in Lexmill's FTP window,\n"
    "or trusts the certificate or SSH host key of its server.\n";

int UsageError(const std::string& why) {
    std::fprintf(stderr, "lexmill-batch: %s\n%s", why.c_str(), kUsage);
    return 2;
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
        failed_ = false;
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

// A word as the shell takes it back: in single quotes unless plain.
std::string ShellWord(const std::string& word) {
    if (!word.empty() &&
        word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                               "0123456789_-.,/:@+=") == std::string::npos)
        return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The stored connection, ready to connect; false (the reason printed) when
// it cannot be used.
bool SetUp(Inet& inet, const FtpConnection& c, const std::string& name) {
    const int protocol = c.protocol == kProtocolNames[1]   ? Inet::icFTPTLS
                         : c.protocol == kProtocolNames[2] ? Inet::icSFTP
                                                           : Inet::icFTP;
    std::string why;
    const auto url = AddressUrl(c.address, c.protocol, &why);
    if (!url) {
        std::fprintf(stderr, "lexmill-batch: the connection \"%s\" cannot be used: %s\n",
                     name.c_str(), why.c_str());
        return false;
    }
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
    return true;
}

// --trust NAME [--fingerprint FP]: connects, shows the server's certificate
// or host key as the window asks about it, and trusts it as the window does
// (the pin stored with the connection; the line added to known_hosts).
int Trust(Inet& inet, Runner& runner, const std::string& name, const std::string& given,
          FtpConnections& connections) {
    if (runner.Run(inet.ExecuteCd("/"))) {
        runner.Run(inet.ExecuteClose());
        std::printf("The server of \"%s\" is trusted already.\n", name.c_str());
        return 0;
    }
    const UntrustedPeer peer = inet.Untrusted();
    if (peer.kind == UntrustedPeer::Kind::None) {
        std::fprintf(stderr, "lexmill-batch: %s\n", inet.ResponseText().c_str());
        return 1;
    }
    const bool certificate = peer.kind == UntrustedPeer::Kind::Certificate;
    std::printf("%s\n", DescribePeer(peer).c_str());
    std::fflush(stdout);
    if (!certificate && peer.changed) return 1;  // the warning says what to do
    if (!given.empty()) {
        std::string why, wanted = given;
        if (certificate) {
            wanted = NormalFingerprint(given, &why);
            if (wanted.empty()) {
                std::fprintf(stderr, "lexmill-batch: %s\n", why.c_str());
                return 1;
            }
        } else if (!wanted.starts_with("SHA256:")) {
            wanted = "SHA256:" + wanted;
        }
        if (wanted != peer.fingerprint) {
            std::fprintf(stderr,
                         "lexmill-batch: the fingerprint given is not the server's; nothing "
                         "was stored.\nGiven:\n%s\nThe server's:\n%s\n",
                         given.c_str(), peer.fingerprint.c_str());
            return 1;
        }
    } else if (!::isatty(STDIN_FILENO)) {
        std::fprintf(stderr,
                     "lexmill-batch: not trusted: no terminal to ask on. To trust it "
                     "without asking:\nlexmill-batch --trust %s --fingerprint %s\n",
                     ShellWord(name).c_str(), ShellWord(peer.fingerprint).c_str());
        return 1;
    } else {
        std::fputs("Trust it? [y/N] ", stderr);
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes" && answer != "Yes") {
            std::fputs("Not trusted; nothing was stored.\n", stderr);
            return 1;
        }
    }
    if (certificate) {
        connections.SetPinnedCertificate(name, peer.fingerprint);
        std::printf("The certificate is now trusted for \"%s\".\n", name.c_str());
        return 0;
    }
    // As the window does: the key is added when the accepted key is met again.
    inet.setAcceptedHostKey(peer.fingerprint);
    if (!runner.Run(inet.ExecuteCd("/"))) {
        std::fprintf(stderr, "lexmill-batch: %s\n", inet.ResponseText().c_str());
        return 1;
    }
    runner.Run(inet.ExecuteClose());
    std::printf("The host key of %s, is now in ~/.ssh/known_hosts.\n",
                ServerName(peer.host, peer.port).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // lexmill-batch --version: the lines of the libraries only this program loads.
    if (args == std::vector<std::string>{"--library-versions"})
        return std::fputs(TransferLibraryVersions().c_str(), stdout) < 0 ? 1 : 0;
    // The bash completion of --upload NAME: the stored names, one a line.
    if (args == std::vector<std::string>{"--list-connections"}) return ListConnections();
    bool trust = false, createDirs = false;
    std::string fingerprint;
    if (!args.empty() && (args.front() == "--upload" || args.front() == "--trust")) {
        trust = args.front() == "--trust";
        args.erase(args.begin());
    }
    if (args.empty())
        return UsageError(trust ? "--trust needs a connection name"
                                : "--upload needs a connection name");
    const std::string name = args.front();
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!trust && args[i] == "--files-from") {
            if (++i == args.size()) return UsageError("--files-from needs a file");
            if (!ReadList(args[i], files))
                return UsageError("cannot read " + args[i] + ": " + std::strerror(errno));
        } else if (!trust && args[i] == "--create-dirs") {
            createDirs = true;
        } else if (trust && args[i] == "--fingerprint") {
            if (++i == args.size()) return UsageError("--fingerprint needs a fingerprint");
            fingerprint = args[i];
        } else if (trust) {
            return UsageError("--trust takes a connection name and --fingerprint FP only");
        } else {
            files.push_back(args[i]);
        }
    }
    if (!trust && files.empty()) return UsageError("no files to upload");
    // Each file goes under its own name into the one remote folder, as the
    // window sends it; two that share a name would leave only the second.
    std::vector<std::string> names;
    for (const std::string& file : files)
        names.push_back(std::filesystem::path(file).filename().string());
    if (const auto clash = FirstClash(names))
        return UsageError(files[clash->first] + " and " + files[clash->second] +
                          " would both be sent as \"" + RemoteName(names[clash->first]) + "\"");

    FtpConnection c;
    std::optional<FtpConnections> connections;
    std::filesystem::path settings;
    try {
        settings = defaultSettingsFile();
        connections.emplace(settings);
        connections->CheckReadable();
        if (!std::filesystem::exists(settings) || connections->Find(name) == 0)
            return UsageError("no stored connection is named \"" + name + "\"");
        c = connections->Load(name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lexmill-batch: cannot read the settings file %s: %s\n",
                     settings.c_str(), e.what());
        return 1;
    }

    Inet inet;
    if (!SetUp(inet, c, name)) return 1;
    Runner runner(inet);
    if (trust) {
        try {
            return Trust(inet, runner, name, fingerprint, *connections);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lexmill-batch: cannot store the trust: %s\n", e.what());
            return 1;
        }
    }

    inet.setCreateDirs(createDirs);
    const bool terminal = ::isatty(STDERR_FILENO);
    std::size_t sent = 0;
    bool ok = runner.Run(inet.ExecuteCd(c.remoteDir));
    bool putting = false;
    for (; ok && sent < files.size(); ++sent) {
        const std::string remote = RemoteName(names[sent]);
        putting = true;
        ok = runner.Run(inet.ExecutePut(files[sent], remote), [&] {
            if (terminal && inet.BytesTotal() > 0)
                std::fprintf(stderr, "\r\033[KUploading %s (%s)", remote.c_str(),
                             SentOf(inet.BytesSent(), inet.BytesTotal()).c_str());
        });
        if (terminal) std::fputs("\r\033[K", stderr);
        if (!ok) break;
        putting = false;
        std::printf("%s\n", files[sent].c_str()), std::fflush(stdout);
    }
    if (ok) ok = runner.Run(inet.ExecuteClose());
    if (!ok) {
        const UntrustedPeer peer = inet.Untrusted();
        std::string why = inet.ResponseText();
        if (peer.kind != UntrustedPeer::Kind::None)
            why = DescribePeer(peer, "lexmill-batch --trust " + ShellWord(name));
        else if (inet.MissingFolder() && !createDirs)
            why += "\nTo create it, add --create-dirs.";
        std::fprintf(stderr, "lexmill-batch: upload failed: %s\n", why.c_str());
        if (putting)
            std::fprintf(stderr, "%s\n",
                         StoppedAt(RemoteName(names[sent]), inet.BytesSent(), inet.BytesTotal(),
                                   sent, files.size())
                             .c_str());
        else
            std::fprintf(stderr, "%zu of %s arrived.\n", sent, Files(files.size()).c_str());
        return 1;
    }
    std::printf("Upload complete. %s sent.\n", Files(sent).c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
