// The libcurl side of one request of the transfer component: the options
// every request takes, the callbacks and what they gather.
#include "InetTransfer.h"

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include "Inet.h"
#include "SshLogin.h"

namespace lexmill::transfer {

namespace {

// How long a server may take to answer one command once connected.
constexpr long kResponseTimeoutSeconds = 60;

}  // namespace

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

void TakeReply(Transfer& t, std::string_view data) {
    for (const char c : data) {
        if (c == '\n') {
            if (!t.pending.empty() && t.pending.back() == '\r') t.pending.pop_back();
            if (!t.pending.empty()) {
                t.lastReply = t.pending;
                if (t.quitSent && t.lastReply[0] == '2') t.quitAnswered = true;
                if (t.lastReply.starts_with("150") || t.lastReply.starts_with("125"))
                    t.transferBegun = true;
            }
            t.pending.clear();
        } else {
            t.pending += c;
        }
    }
}

}  // namespace

int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::string_view text(data, size);
    constexpr std::string_view methods = "SSH authentication methods available: ";
    if (type == CURLINFO_HEADER_IN) {
        TakeReply(t, text);
    } else if (type == CURLINFO_TEXT && text.starts_with(methods)) {
        t.offered = text.substr(methods.size());
        while (!t.offered.empty() && std::isspace(static_cast<unsigned char>(t.offered.back())))
            t.offered.pop_back();
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
            t.transferBegun = true;
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

CURLcode Perform(CURLM* multi, CURL* h) {
    if (curl_multi_add_handle(multi, h) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    // How long to wait when libcurl names no time: short after activity,
    // growing while nothing happens, so that a long wait costs no CPU.
    int idle = 1;
    for (int running = 1; running;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (!running) break;
        long timeout = -1;
        curl_multi_timeout(multi, &timeout);
        int active = 0;
        curl_multi_poll(multi, nullptr, 0,
                        timeout >= 0 && timeout < idle ? static_cast<int>(timeout) : idle, &active);
        idle = active ? 1 : std::min(idle * 2, 100);
    }
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == h)
            result = message->data.result;
    curl_multi_remove_handle(multi, h);
    return result;
}

std::string Describe(CURLcode code, const char* errorBuffer, const Transfer& t) {
    std::string text = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const char first = t.lastReply.empty() ? '\0' : t.lastReply[0];
    if (first == '4' || first == '5') text += "\nServer reply: " + t.lastReply;
    return text;
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

}  // namespace

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
    t.keyFiles = SshKeyFiles(ssh);
    curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES,
                     CURLSSH_AUTH_AGENT | (t.keyFiles.empty() ? 0 : CURLSSH_AUTH_PUBLICKEY));
    if (!t.keyFiles.empty()) SetKeyFile(h, t.keyFiles.front());
}

// Why the operation cannot be sent, or empty. Nothing reaches the server when
// one of these fails.
std::string CheckBeforeSending(int protocol, const std::string& url, int port,
                               const std::string& userName, const std::string& password, bool isPut,
                               const std::string& first, const std::string& second,
                               const std::string& pinned, std::optional<InetAddress>& address) {
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
    if (protocol == Inet::icFTPTLS && !pinned.empty() && NormalFingerprint(pinned, &why).empty())
        return "The certificate pinned for this connection cannot be used: " + why;
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
        // Servers that require the data connections to resume the control
        // connection's TLS session (vsftpd's, ProFTPD's and Pure-FTPd's
        // defaults) refuse a full handshake with 522. Under TLS 1.3 the
        // server's session tickets are single-use, and an upload never reads
        // the new ones the data connections bring, so a few files in the
        // tickets run out; a TLS 1.2 session serves every data connection.
        curl_easy_setopt(h, CURLOPT_SSLVERSION,
                         static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                             static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
        // A pinned certificate stands for the server whatever names it holds;
        // the pin alone decides, so the system's store is never read.
        if (!t.check.pinnedCertificate.empty()) {
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        }
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

}  // namespace lexmill::transfer
