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

namespace lexmill {

namespace {

// How long a server may take to answer one command once connected.
constexpr long kResponseTimeoutSeconds = 60;

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What the callbacks of one transfer share.
struct Transfer {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(std::int16_t)> raise;
    std::string command;  // the operation's own command: its sending is "request sent"
    bool raiseConnecting = false;
    bool requestRaised = false;
    bool quitSent = false;
    bool quitAnswered = false;
    std::string lastReply;  // the server's last complete reply line
    std::string pending;    // a reply line still being received
    std::FILE* file = nullptr;
    // Stall watch: when the byte counts last moved.
    std::chrono::seconds stallTimeout{60};
    std::chrono::steady_clock::time_point lastMove = std::chrono::steady_clock::now();
    curl_off_t lastBytes = -1;
    bool stalled = false;
    std::vector<std::string> keyFiles;  // SFTP without a password: to try in turn
    // Byte progress of an upload, for the owner.
    std::atomic<std::int64_t>* bytesSent = nullptr;
    std::function<void()> wake;
    std::chrono::steady_clock::time_point lastWake;
    PeerCheck check;
};

void TakeReply(Transfer& t, std::string_view data) {
    for (const char c : data) {
        if (c == '\n') {
            if (!t.pending.empty() && t.pending.back() == '\r') t.pending.pop_back();
            if (!t.pending.empty()) {
                t.lastReply = t.pending;
                if (t.quitSent && t.lastReply[0] == '2') t.quitAnswered = true;
            }
            t.pending.clear();
        } else {
            t.pending += c;
        }
    }
}

int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::string_view text(data, size);
    if (type == CURLINFO_HEADER_IN) {
        TakeReply(t, text);
    } else if (type == CURLINFO_HEADER_OUT) {
        if (text.starts_with("QUIT")) t.quitSent = true;
        if (!t.requestRaised && !t.command.empty() && text.starts_with(t.command + " ")) {
            t.requestRaised = true;
            t.raise(Inet::icRequestSent);
        }
    }
    return 0;
}

curl_socket_t OnOpenSocket(void* user, curlsocktype, struct curl_sockaddr* address) {
    auto& t = *static_cast<Transfer*>(user);
    // Called after the name is resolved, for the control connection first.
    if (t.raiseConnecting) {
        t.raiseConnecting = false;
        t.raise(Inet::icConnecting);
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto& t = *static_cast<Transfer*>(user);
    if (t.cancel->load()) return 1;
    const auto now = std::chrono::steady_clock::now();
    if (downloaded + uploaded != t.lastBytes) {
        t.lastBytes = downloaded + uploaded;
        t.lastMove = now;
        if (t.file && uploaded > 0) {
            *t.bytesSent = uploaded;
            if (!t.requestRaised) {  // SFTP says nothing else when the upload starts
                t.requestRaised = true;
                t.raise(Inet::icRequestSent);
            }
            if (now - t.lastWake >= std::chrono::milliseconds(100)) {
                t.lastWake = now;
                t.wake();
            }
        }
    } else if (now - t.lastMove >= t.stallTimeout) {
        t.stalled = true;
        return 1;
    }
    return 0;
}

size_t OnDiscard(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t got = std::fread(buffer, size, count, t.file);
    if (got == 0 && std::ferror(t.file)) return CURL_READFUNC_ABORT;
    return got;
}

std::string Describe(CURLcode code, const char* errorBuffer, const Transfer& t) {
    std::string text = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const char first = t.lastReply.empty() ? '\0' : t.lastReply[0];
    if (first == '4' || first == '5') text += "\nServer reply: " + t.lastReply;
    return text;
}

}  // namespace

struct Inet::Session {
    CurlHandle handle;
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

namespace {

// A remote name, maybe with folders: no empty, "." or ".." part, no line break.
bool IsRelativeName(const std::string& name) {
    if (name.empty() || HasLineBreak(name)) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part(name.data() + start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// libcurl takes one key file a connection.
void SetKeyFile(CURL* h, const std::string& key) {
    curl_easy_setopt(h, CURLOPT_SSH_PRIVATE_KEYFILE, key.c_str());
    const std::string pub = key + ".pub";
    curl_easy_setopt(h, CURLOPT_SSH_PUBLIC_KEYFILE,
                     ::access(pub.c_str(), R_OK) == 0 ? pub.c_str() : nullptr);
}

// SFTP: the host key check against ~/.ssh/known_hosts (the folder made, as
// ssh does, so that an accepted key can be added) and the log-in.
void SetSshOptions(CURL* h, const std::string& password, Transfer& t) {
    const std::string ssh = HomeFolder() + "/.ssh";
    ::mkdir(ssh.c_str(), 0700);
    // The check is the program's own: libcurl's would look a key up without
    // its port and write it so.
    t.check.knownHosts = ssh + "/known_hosts";
    curl_easy_setopt(h, CURLOPT_SSH_HOSTKEYFUNCTION, CheckHostKey);
    curl_easy_setopt(h, CURLOPT_SSH_HOSTKEYDATA, &t.check);
    if (!password.empty()) {
        curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES, CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD);
        return;
    }
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"})
        if (const std::string key = ssh + "/" + name; ::access(key.c_str(), R_OK) == 0)
            t.keyFiles.push_back(key);
    curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES,
                     CURLSSH_AUTH_AGENT | (t.keyFiles.empty() ? 0 : CURLSSH_AUTH_PUBLICKEY));
    if (!t.keyFiles.empty()) SetKeyFile(h, t.keyFiles.front());
}

// Why the operation cannot be sent, or empty. Nothing reaches the server when
// one of these fails.
std::string CheckBeforeSending(int protocol, const std::string& url, int port,
                               const std::string& userName, const std::string& password, bool isPut,
                               const std::string& first, const std::string& second,
                               std::optional<InetAddress>& address) {
    if (protocol != Inet::icFTP && protocol != Inet::icFTPTLS && protocol != Inet::icSFTP)
        return "The protocol is not one of FTP, FTP with TLS and SFTP.";
    std::string why;
    address = InetAddress::Parse(url, port, &why);
    if (!address) return why;
    if (HasLineBreak(userName) || HasLineBreak(password))
        return "The user name or password contains a line break.";
    if (!isPut && HasLineBreak(first)) return "The remote directory contains a line break.";
    if (isPut && !IsRelativeName(second))
        return "\"" + second + "\" cannot be used as a remote file name.";
    return {};
}

// Opens the local file of an upload; empty `why` on success.
File OpenLocal(const std::string& path, curl_off_t& size, std::string& why) {
    File file(std::fopen(path.c_str(), "rb"));
    struct stat st {};
    if (!file) {
        why = "Cannot open " + path + ": " + std::generic_category().message(errno);
    } else if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "Cannot upload " + path + ": it is not a regular file.";
        file.reset();
    } else {
        size = st.st_size;
    }
    return file;
}

void SetCommonOptions(CURL* h, int protocol, const std::string& url, const std::string& userName,
                      const std::string& password, std::chrono::seconds connectTimeout, Transfer& t,
                      char* errorBuffer) {
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocol == Inet::icSFTP ? "sftp" : "ftp");
    if (protocol == Inet::icSFTP) SetSshOptions(h, password, t);
    if (protocol == Inet::icFTPTLS) {
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(h, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, InstallCertificateCheck);
        curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &t.check);
        // A pinned certificate stands for the server whatever names it holds.
        if (!t.check.pinnedCertificate.empty()) curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    // No user name: libcurl logs in as anonymous.
    if (!userName.empty()) curl_easy_setopt(h, CURLOPT_USERNAME, userName.c_str());
    if (!userName.empty() && !password.empty())
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeoutSeconds);
    // One "CWD /full/path", skipped while the path stays the same; passive
    // mode (EPSV, then PASV) is libcurl's default.
    curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);  // feeds OnDebug, prints nothing
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, OnDebug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &t);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
}

}  // namespace

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

void Inet::Perform(const Operation& o) {
    using Kind = Operation::Kind;
    std::optional<InetAddress> address;
    std::string why;
    if (o.kind != Kind::Close)
        why = CheckBeforeSending(o.protocol, o.url, o.port, o.userName, o.password,
                                 o.kind == Kind::Put, o.first, o.second, address);
    curl_off_t fileSize = 0;
    File file;
    if (why.empty() && o.kind == Kind::Put) file = OpenLocal(o.first, fileSize, why);
    if (!why.empty()) return Fail(why);
    if (address) address->scheme = o.protocol == icSFTP ? "sftp" : "ftp";
    if (o.kind == Kind::Put) bytesTotal_ = fileSize;

    if (!session_) session_ = std::make_unique<Session>();
    if (!session_->handle) session_->handle.reset(curl_easy_init());
    CURL* h = session_->handle.get();
    if (!h) return Fail("Cannot start libcurl.");

    Transfer t;
    t.cancel = &cancel_;
    t.raise = [this](std::int16_t state) { Raise(state); };
    t.raiseConnecting = !session_->connected;
    t.stallTimeout = o.stallTimeout;
    t.bytesSent = &bytesSent_;
    t.wake = [this] { Wake(); };
    t.check.pinnedCertificate = o.pinned;
    t.check.acceptedHostKey = o.acceptedKey;
    if (address) t.check.host = address->host, t.check.port = address->port;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::string newDirectory = session_->directory;
    std::string url;

    curl_easy_reset(h);  // keeps the connection
    if (o.kind == Kind::Cd) {
        newDirectory = DirectoryPath(o.first);
        url = address->UrlOf(newDirectory);
        t.command = "CWD";
        if (o.protocol == icSFTP) {
            // No working directory in SFTP: listing the folder proves it is there.
            curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnDiscard);
        } else {
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        }
    } else if (o.kind == Kind::Put) {
        url = address->UrlOf(FilePath(session_->directory, o.second));
        t.command = "STOR";
        t.file = file.get();
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, OnRead);
        curl_easy_setopt(h, CURLOPT_READDATA, &t);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, fileSize);
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
    // Into folders under the working directory: one CWD per folder, so each
    // missing one can be made.
    if (o.kind == Kind::Put && o.second.find('/') != std::string::npos)
        curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_MULTICWD));

    CURLcode result = curl_easy_perform(h);
    // Without a password, the next key file while the server says no.
    for (std::size_t next = 1; result == CURLE_LOGIN_DENIED && next < t.keyFiles.size() && !cancel_;
         ++next) {
        SetKeyFile(h, t.keyFiles[next]);
        errorBuffer[0] = '\0';
        result = curl_easy_perform(h);
    }
    // The callbacks' data lives in this frame.
    curl_easy_reset(h);

    if (cancel_) return;  // stopped on request: nothing to report
    if (result != CURLE_OK) {
        session_->connected = false;
        if (t.stalled)
            return Fail("The transfer stalled: nothing moved for " +
                        std::to_string(o.stallTimeout.count()) + " seconds.");
        if (t.check.seen.kind != UntrustedPeer::Kind::None) {
            std::lock_guard lock(mutex_);
            untrusted_ = t.check.seen;
        }
        // An untrusted server is told in the program's words alone.
        return Fail(t.check.seen.kind != UntrustedPeer::Kind::None
                        ? DescribePeer(t.check.seen, true)
                        : Describe(result, errorBuffer, t));
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

}  // namespace lexmill
