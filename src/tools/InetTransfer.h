// The libcurl side of the transfer component (Inet.cpp), kept apart: what
// one request shares with its callbacks, and the options every request takes.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "InetAddress.h"
#include "PeerTrust.h"

namespace lexmill::transfer {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What the callbacks of one transfer share.
struct Transfer {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(std::int16_t)> raise;
    std::string command;  // the operation's own command: its sending is "request sent"
    bool raiseConnecting = false;
    bool requestRaised = false;
    bool quitSent = false;
    bool quitAnswered = false;
    bool transferBegun = false;  // the server took the upload: a file may be there
    std::string offered;         // SFTP: the log-in methods the server named
    std::string lastReply;       // the server's last complete reply line
    std::string pending;         // a reply line still being received
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

// Once per process.
void GlobalInit();

// The callbacks; `user` is the Transfer.
int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user);
curl_socket_t OnOpenSocket(void* user, curlsocktype, struct curl_sockaddr* address);
int OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded);
size_t OnDiscard(char*, size_t size, size_t count, void*);
size_t OnRead(char* buffer, size_t size, size_t count, void* user);

// Runs the request of `h` to its end in `multi`, whose connections stay for
// the next. As curl_easy_perform does, but it calls libcurl again within a
// millisecond or two where libcurl 7.88 names no time to wait: before it
// opens an FTP data connection it would otherwise idle up to a second.
CURLcode Perform(CURLM* multi, CURL* h);

// libcurl's words for a failure, with the server's reply when it was a refusal.
std::string Describe(CURLcode code, const char* errorBuffer, const Transfer& t);

std::string HomeFolder();
// libcurl takes one key file a connection.
void SetKeyFile(CURL* h, const std::string& key);
// Why the operation cannot be sent, or empty; `address` is then the server.
// Nothing reaches the server when one of these fails.
std::string CheckBeforeSending(int protocol, const std::string& url, int port,
                               const std::string& userName, const std::string& password, bool isPut,
                               const std::string& first, const std::string& second,
                               const std::string& pinned, std::optional<InetAddress>& address);
// Opens the local file of an upload; empty `why` on success.
File OpenLocal(const std::string& path, curl_off_t& size, std::string& why);
// The options of every request: the URL, the protocol and its checks, the
// log-in, time limits and the callbacks, which report into `t`.
void SetCommonOptions(CURL* h, int protocol, const std::string& url, const std::string& userName,
                      const std::string& password, std::chrono::seconds connectTimeout, Transfer& t,
                      char* errorBuffer);

}  // namespace lexmill::transfer
