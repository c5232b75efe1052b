#include "Inet.h"

#include <curl/curl.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>
#include <vector>

#include "InetAddress.h"
#include "InetTransfer.h"
#include "RemoteCommands.h"
#include "SshLogin.h"

namespace lexmill {

using namespace transfer;

struct Inet::Session {
    CurlHandle handle;
    MultiHandle multi;       // holds the connection between requests
    bool connected = false;  // a control connection is believed open
    std::string directory;   // raw path of the working directory ("" at log-in)
    std::string directoryUrl;
};

struct Inet::Operation {
    enum class Kind { Cd, Put, Close, Drop } kind = Kind::Drop;
    std::string first;   // directory, or local path
    std::string second;  // remote name
    int protocol = icFTP;
    std::string pinned, acceptedKey;
    bool createDirs = false;
    std::string url, userName, password;
    int port = 21;
    std::chrono::seconds connectTimeout{30};
    std::chrono::seconds stallTimeout{60};
};

Inet::Inet(std::chrono::seconds stallTimeout) : stallTimeout_(stallTimeout) {
    GlobalInit();
}

Inet::~Inet() {
    cancel_ = true;
    JoinWorker();
    session_.reset();
}

void Inet::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

bool Inet::ExecuteCd(std::string directory) {
    auto op = std::make_unique<Operation>();
    op->kind = Operation::Kind::Cd;
    op->first = std::move(directory);
    return Start(std::move(op));
}

bool Inet::ExecutePut(std::string localPath, std::string remoteName) {
    auto op = std::make_unique<Operation>();
    op->kind = Operation::Kind::Put;
    op->first = std::move(localPath);
    op->second = std::move(remoteName);
    return Start(std::move(op));
}

bool Inet::ExecuteClose() {
    auto op = std::make_unique<Operation>();
    op->kind = Operation::Kind::Close;
    return Start(std::move(op));
}

void Inet::Cancel() {
    if (running_) {
        cancel_ = true;
        return;
    }
    if (session_) {
        auto op = std::make_unique<Operation>();
        op->kind = Operation::Kind::Drop;
        Start(std::move(op));
    }
}

bool Inet::StillExecuting() const {
    if (running_) return true;
    std::lock_guard lock(mutex_);
    return !events_.empty();
}

std::string Inet::ResponseText() const {
    std::lock_guard lock(mutex_);
    return responseText_;
}

UntrustedPeer Inet::Untrusted() const {
    std::lock_guard lock(mutex_);
    return untrusted_;
}

void Inet::DeliverEvents() {
    for (;;) {
        std::int16_t state;
        {
            std::lock_guard lock(mutex_);
            if (events_.empty()) return;
            state = events_.front();
            events_.pop_front();
        }
        if (StateChanged) StateChanged(state);
    }
}

bool Inet::Start(std::unique_ptr<Operation> op) {
    if (running_) return false;
    JoinWorker();
    op->protocol = protocol_;
    op->url = url_;
    op->userName = userName_;
    op->password = password_;
    op->port = remotePort_;
    op->connectTimeout = connectTimeout_;
    op->stallTimeout = stallTimeout_;
    op->pinned = pinned_;
    op->acceptedKey = acceptedKey_;
    op->createDirs = createDirs_;
    missingFolder_ = false;
    // The counts of the last upload stay until the next one starts.
    if (op->kind == Operation::Kind::Put) bytesSent_ = 0, bytesTotal_ = 0;
    {
        std::lock_guard lock(mutex_);
        untrusted_ = {};
    }
    cancel_ = false;
    running_ = true;
    try {
        worker_ = std::thread(&Inet::Run, this, std::move(op));
    } catch (const std::system_error& e) {
        running_ = false;
        Fail(std::string("Cannot start the transfer: ") + e.what());
        return false;
    }
    return true;
}

void Inet::Raise(std::int16_t state) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(state);
    }
    Wake();
}

void Inet::Fail(std::string text) {
    {
        std::lock_guard lock(mutex_);
        responseText_ = std::move(text);
        events_.push_back(icError);
    }
    Wake();
}

void Inet::Wake() {
    if (wakeUp_) wakeUp_();
}

void Inet::Run(std::unique_ptr<Operation> op) {
    using Kind = Operation::Kind;
    const Operation& o = *op;
    // SFTP has no goodbye to check: dropping the handle ends the session.
    if (o.kind == Kind::Drop ||
        (o.kind == Kind::Close && (!session_ || !session_->connected || o.protocol == icSFTP))) {
        session_.reset();
    } else {
        Perform(o);
    }
    if (cancel_) session_.reset();
    running_ = false;
    Wake();
}

namespace {

// The checks and callbacks of one request of the operation `o`.
void Prepare(Transfer& t, const std::string& pinned, const std::string& acceptedKey,
             const std::optional<InetAddress>& address, std::chrono::seconds stallTimeout) {
    t.stallTimeout = stallTimeout;
    t.check.pinnedCertificate = pinned;
    t.check.acceptedHostKey = acceptedKey;
    if (address) t.check.host = address->host, t.check.port = address->port;
}

// The server as the user named it, without the brackets of an IPv6 address.
std::string HostOf(const std::optional<InetAddress>& address) {
    std::string host = address ? address->host : std::string();
    if (host.size() > 2 && host.front() == '[') host = host.substr(1, host.size() - 2);
    return host;
}

// The last part of a libcurl text ("...: No such file or directory"), as a
// sentence, without libssh2's codes ("Permission denied (3/-31)").
std::string Reason(const std::string& text) {
    const std::size_t colon = text.rfind(": ");
    std::string reason = colon == std::string::npos ? text : text.substr(colon + 2);
    if (const std::size_t open = reason.rfind(" (");
        open != std::string::npos && reason.back() == ')' &&
        reason.find_first_not_of("0123456789/-", open + 2) == reason.size() - 1)
        reason.erase(open);
    if (!reason.empty() && reason.back() != '.') reason += '.';
    return reason;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "the log-in folder"
           : slash == 0               ? "/"
                                      : path.substr(0, slash);
}

}  // namespace

void Inet::Perform(const Operation& o) {
    using Kind = Operation::Kind;
    std::optional<InetAddress> address;
    std::string why;
    if (o.kind != Kind::Close)
        why = CheckBeforeSending(o.protocol, o.url, o.port, o.userName, o.password,
                                 o.kind == Kind::Put, o.first, o.second, o.pinned, address);
    curl_off_t fileSize = 0;
    File file;
    if (why.empty() && o.kind == Kind::Put) file = OpenLocal(o.first, fileSize, why);
    if (!why.empty()) return Fail(why);
    if (address) address->scheme = o.protocol == icSFTP ? "sftp" : "ftp";
    if (o.kind == Kind::Put) bytesTotal_ = fileSize;

    if (!session_) session_ = std::make_unique<Session>();
    if (!session_->handle) session_->handle.reset(curl_easy_init());
    if (!session_->multi) session_->multi.reset(curl_multi_init());
    CURL* h = session_->handle.get();
    if (!h || !session_->multi) return Fail("Cannot start libcurl.");

    const bool sftp = o.protocol == icSFTP;
    Transfer t;
    t.cancel = &cancel_;
    t.raise = [this](std::int16_t state) { Raise(state); };
    t.raiseConnecting = !session_->connected;
    t.bytesSent = &bytesSent_;
    t.wake = [this] { Wake(); };
    Prepare(t, o.pinned, o.acceptedKey, address, o.stallTimeout);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::string newDirectory = session_->directory;
    std::string url, real, temp;
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> quote(nullptr, curl_slist_free_all);
    const auto add = [&quote](const std::string& command) {
        quote.reset(curl_slist_append(quote.release(), command.c_str()));
    };

    curl_easy_reset(h);  // keeps the connection
    if (o.kind == Kind::Cd) {
        newDirectory = DirectoryPath(o.first);
        url = address->UrlOf(newDirectory);
        t.command = "CWD";
        if (sftp) {
            // No working directory in SFTP: listing the folder proves it is there.
            curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnDiscard);
            if (o.createDirs)
                for (const std::string& folder : FoldersOf(newDirectory))
                    add("*" + MakeFolderCommand(true, folder));
            curl_easy_setopt(h, CURLOPT_QUOTE, quote.get());
        } else {
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        }
    } else if (o.kind == Kind::Put) {
        real = FilePath(session_->directory, o.second);
        temp = TemporaryPath(real);
        url = address->UrlOf(temp);
        t.command = "STOR";
        t.file = file.get();
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, OnRead);
        curl_easy_setopt(h, CURLOPT_READDATA, &t);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, fileSize);
        for (const std::string& command : RenameCommands(sftp, temp, real)) add(command);
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, quote.get());
        if (o.second.find('/') != std::string::npos) {
            curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS,
                             static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        }
    } else {
        // A request on the working directory (no command of its own) after
        // which the connection is not kept: libcurl ends it with QUIT.
        url = session_->directoryUrl;
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    }
    if (!session_->connected) Raise(icResolvingHost);
    SetCommonOptions(h, o.protocol, url, o.userName, o.password, o.connectTimeout, t, errorBuffer);
    // Into folders under the working directory, or making the working
    // directory: one CWD per folder, so each missing one can be made.
    if ((o.kind == Kind::Put && o.second.find('/') != std::string::npos) ||
        (o.kind == Kind::Cd && o.createDirs && !sftp)) {
        curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_MULTICWD));
        curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS,
                         static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    }

    CURLcode result = transfer::Perform(session_->multi.get(), h);
    // Without a password, the next key file while the server says no.
    for (std::size_t next = 1; result == CURLE_LOGIN_DENIED && next < t.keyFiles.size() && !cancel_;
         ++next) {
        SetKeyFile(h, t.keyFiles[next]);
        errorBuffer[0] = '\0';
        result = transfer::Perform(session_->multi.get(), h);
    }
    // The callbacks' data lives in this frame.
    curl_easy_reset(h);

    if (o.kind == Kind::Put && result == CURLE_QUOTE_ERROR && !cancel_) {
        // The whole file arrived; only the rename was refused.
        session_->connected = true;
        why = Replace(o, temp, real, Describe(result, errorBuffer, t));
        if (why.empty()) return;
        const std::string left = Quote(o, {RemoveCommand(sftp, temp)});
        return Fail(why + (left.empty() ? ""
                                        : "\nThe new file stays on the server as " + temp +
                                              ": it could not be removed: " + left));
    }
    // A broken upload: the part sent goes, the server's file stays.
    std::string left;
    if (o.kind == Kind::Put && result != CURLE_OK && t.transferBegun) {
        session_->connected = false;
        left = Quote(o, {RemoveCommand(sftp, temp)});
    }
    if (cancel_) return;  // stopped on request: nothing to report
    if (result != CURLE_OK) {
        session_->connected = false;
        const std::string partial = left.empty() ? ""
                                                 : "\nThe part sent stays on the server as " +
                                                       temp + ": it could not be removed: " + left;
        if (t.stalled)
            return Fail("The transfer stalled: nothing moved for " +
                        std::to_string(o.stallTimeout.count()) + " seconds." + partial);
        if (t.check.seen.kind != UntrustedPeer::Kind::None) {
            std::lock_guard lock(mutex_);
            untrusted_ = t.check.seen;
        }
        // An untrusted server is told in the program's words alone.
        if (t.check.seen.kind != UntrustedPeer::Kind::None) return Fail(DescribePeer(t.check.seen));
        const std::string text = Describe(result, errorBuffer, t);
        if (sftp && result == CURLE_LOGIN_DENIED)
            return Fail(SshLoginFailure(o.userName, t.offered, !o.password.empty(), t.keyFiles,
                                        o.password.empty() && SshAgentRunning(), HomeFolder()));
        const bool folderGone =
            sftp ? result == CURLE_REMOTE_FILE_NOT_FOUND
                 : result == CURLE_REMOTE_ACCESS_DENIED && t.lastReply.starts_with("550");
        if (o.kind == Kind::Cd && folderGone) {
            missingFolder_ = true;
            return Fail("The remote folder " + o.first + " does not exist on " + HostOf(address) +
                        ": " + (sftp ? Reason(text) : t.lastReply));
        }
        if (o.kind == Kind::Put && sftp && result == CURLE_REMOTE_ACCESS_DENIED)
            return Fail("The server did not let Lexmill write " + o.second + " into " +
                        FolderOf(real) + ": " + Reason(text) + partial);
        if (o.kind == Kind::Put && !sftp && result == CURLE_UPLOAD_FAILED)
            return Fail("The server refused to store " + o.second + " in " + FolderOf(real) +
                        ".\n" + text + partial);
        // The server ended the transfer without a word libcurl could read
        // (over TLS it drops the data connection before its reply).
        if (o.kind == Kind::Put && t.transferBegun &&
            (sftp ? result == CURLE_SSH : result == CURLE_SEND_ERROR))
            return Fail("The server stopped taking the data of " + o.second + " (" + text +
                        "): the connection dropped, or its disk is full or a quota reached." +
                        partial);
        return Fail(text + partial);
    }
    if (o.kind == Kind::Close) {
        session_.reset();
        if (t.quitSent && !t.quitAnswered)
            Fail("The server did not confirm the end of the session." +
                 (t.lastReply.empty() ? std::string() : "\nServer reply: " + t.lastReply));
        return;
    }
    session_->connected = true;
    session_->directory = newDirectory;
    session_->directoryUrl = address->UrlOf(newDirectory);
}

std::string Inet::Replace(const Operation& o, const std::string& temp, const std::string& real,
                          const std::string& refused) {
    // A server that renames only onto a free name (OpenSSH's SFTP, some FTP
    // servers): its file steps aside under a name of its own, then the new one
    // takes its place; if that fails, the old one comes back.
    const bool sftp = o.protocol == icSFTP;
    const std::string old = TemporaryPath(real);
    const std::string untouched = "The server refused to rename " + temp + " to " + real +
                                  "; the file " + real + " on the server is untouched.\n";
    if (!Quote(o, RenameCommands(sftp, real, old)).empty()) return untouched + refused;
    if (const std::string why = Quote(o, RenameCommands(sftp, temp, real)); !why.empty()) {
        if (const std::string back = Quote(o, RenameCommands(sftp, old, real)); !back.empty())
            return "The server refused to rename " + temp + " to " + real + ": " + why +
                   "\nThe earlier file could not be put back: it is now " + old + ": " + back;
        return untouched + why;
    }
    Quote(o, {RemoveCommand(sftp, old)});
    return {};
}

std::string Inet::Quote(const Operation& o, const std::vector<std::string>& commands) {
    std::optional<InetAddress> address = InetAddress::Parse(o.url, o.port, nullptr);
    if (!address || !session_ || !session_->handle || !session_->multi) return "no connection";
    address->scheme = o.protocol == icSFTP ? "sftp" : "ftp";
    CURL* h = session_->handle.get();
    // Runs also after a stop, and quickly gives up.
    static const std::atomic<bool> never{false};
    Transfer t;
    t.cancel = &never;
    t.raise = [](std::int16_t) {};
    t.wake = [] {};
    Prepare(t, o.pinned, o.acceptedKey, address, std::chrono::seconds(10));
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> list(nullptr, curl_slist_free_all);
    for (const std::string& command : commands)
        list.reset(curl_slist_append(list.release(), command.c_str()));
    curl_easy_reset(h);
    SetCommonOptions(h, o.protocol, address->UrlOf(session_->directory), o.userName, o.password,
                     std::min(o.connectTimeout, std::chrono::seconds(10)), t, errorBuffer);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, 10L);
    curl_easy_setopt(h, CURLOPT_QUOTE, list.get());
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    if (o.protocol == icSFTP) {
        curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnDiscard);
    }
    if (!t.keyFiles.empty()) SetKeyFile(h, t.keyFiles.front());
    const CURLcode result = transfer::Perform(session_->multi.get(), h);
    curl_easy_reset(h);
    return result == CURLE_OK ? std::string() : Describe(result, errorBuffer, t);
}

}  // namespace lexmill
