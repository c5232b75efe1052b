#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PeerTrust.h"

namespace lexmill {

// The upload client of the upload window and of lexmill-batch, on libcurl:
// FTP, FTP with explicit TLS (AUTH TLS, control and data protected) or SFTP.
//
// One control connection serves a run: the first operation opens it (log-in,
// port, passive mode), the following ones reuse it, Close ends it. Each
// Execute call starts its operation on a worker thread and returns at once;
// StillExecuting tells when it has finished. Failures never throw: they are
// reported as state icError with ResponseText describing them (the server's
// reply included where there was one).
//
// Thread contract: every public member is called on the owner's (UI) thread.
// The worker only queues state changes and calls the wake-up function; the
// owner then calls DeliverEvents on its own thread, which runs StateChanged.
class Inet {
  public:
    // The values StateChanged reports; others are never raised.
    enum State : std::int16_t {
        icResolvingHost = 1,
        icConnecting = 3,
        icRequestSent = 6,
        icError = 11,
    };
    // The protocols (Protocol).
    static constexpr int icFTP = 2;
    static constexpr int icFTPTLS = 102;
    static constexpr int icSFTP = 103;

    // An operation during which no byte moves for `stallTimeout` fails
    // (state 11).
    explicit Inet(std::chrono::seconds stallTimeout = std::chrono::seconds(60));
    // Stops a running operation and waits for the worker; drops the connection.
    ~Inet();
    Inet(const Inet&) = delete;
    Inet& operator=(const Inet&) = delete;

    // Connection details, taken when an operation starts. URL is "ftp://"
    // followed by the host, whatever the protocol (a port in the URL wins
    // over RemotePort). With SFTP and an empty password, the log-in uses the
    // SSH agent and the first of ~/.ssh/id_ed25519, id_ecdsa, id_rsa.
    int Protocol() const { return protocol_; }
    void setProtocol(int protocol) { protocol_ = protocol; }
    const std::string& URL() const { return url_; }
    void setURL(std::string url) { url_ = std::move(url); }
    const std::string& UserName() const { return userName_; }
    void setUserName(std::string name) { userName_ = std::move(name); }
    const std::string& Password() const { return password_; }
    void setPassword(std::string password) { password_ = std::move(password); }
    // 1 to 65535.
    int RemotePort() const { return remotePort_; }
    void setRemotePort(int port) { remotePort_ = port; }
    // How long opening the connection (up to the log-in) may take.
    std::chrono::seconds ConnectTimeout() const { return connectTimeout_; }
    void setConnectTimeout(std::chrono::seconds timeout) { connectTimeout_ = timeout; }
    // FTP with TLS: the certificate fingerprint trusted for this server
    // although the system's store does not vouch for it; only that
    // certificate is then accepted.
    void setPinnedCertificate(std::string fingerprint) { pinned_ = std::move(fingerprint); }
    // SFTP: an unknown host key the user accepted; it is added to
    // ~/.ssh/known_hosts when met.
    void setAcceptedHostKey(std::string fingerprint) { acceptedKey_ = std::move(fingerprint); }
    // The certificate or host key that made the last failure, if one did.
    UntrustedPeer Untrusted() const;
    // CD makes every missing folder of its path, as curl's --ftp-create-dirs.
    void setCreateDirs(bool create) { createDirs_ = create; }
    // The last failure was a CD into a folder that does not exist.
    bool MissingFolder() const { return missingFolder_; }

    // Bytes of the current upload sent so far and its size; readable at any
    // time. The wake-up function is also called as they grow.
    std::int64_t BytesSent() const { return bytesSent_; }
    std::int64_t BytesTotal() const { return bytesTotal_; }

    // The operations. Each returns false, starting nothing, while another
    // one is still executing; otherwise true, and the outcome comes later.
    // Changes the working directory (an absolute path); the uploads go there.
    // A folder that does not exist fails (MissingFolder), unless CreateDirs.
    bool ExecuteCd(std::string directory);
    // Sends the local file into the working directory under a temporary name
    // in the same folder, then renames it to `remoteName`: a file of that
    // name already there stays as it was until the new one is complete. A
    // failed or stopped upload removes the temporary file (ResponseText says
    // so when the server would not). A name with "/" goes into those folders
    // under the working directory, made when missing.
    bool ExecutePut(std::string localPath, std::string remoteName);
    // Ends the session (QUIT); nothing to do when none is open.
    bool ExecuteClose();

    // True from Execute until the operation has finished and every state
    // change it raised has been delivered.
    bool StillExecuting() const;
    // Stops the running operation as soon as possible, raising no error, and
    // drops the connection; when idle, just drops the connection. The drop
    // itself runs in the background (StillExecuting meanwhile).
    void Cancel();
    // The description of the last failure.
    std::string ResponseText() const;

    // Runs on the UI thread, from DeliverEvents.
    std::function<void(std::int16_t state)> StateChanged;
    // Called on the worker thread whenever the owner should call
    // DeliverEvents or look at StillExecuting again. Must be thread-safe
    // and quick (post a call to the UI thread). Set it before any Execute.
    void setWakeUp(std::function<void()> wakeUp) { wakeUp_ = std::move(wakeUp); }
    // Hands the queued state changes, in order, to StateChanged.
    void DeliverEvents();

    // Where the worker stands; the implementation's business.
    struct Session;

  private:
    struct Operation;
    bool Start(std::unique_ptr<Operation> op);
    void Run(std::unique_ptr<Operation> op);
    void Perform(const Operation& op);
    // After the file arrived under `temp`: puts it in the place of `real`.
    // Empty when it did; else why not, the server's file untouched.
    std::string Replace(const Operation& op, const std::string& temp, const std::string& real,
                        const std::string& refused);
    // Sends commands on their own (a request on the working directory).
    // Empty when they all succeeded; else the failure with the server's reply.
    std::string Quote(const Operation& op, const std::vector<std::string>& commands);
    void Raise(std::int16_t state);
    void Fail(std::string text);
    void Wake();
    void JoinWorker();

    int protocol_ = icFTP;
    std::string url_;
    std::string userName_;
    std::string password_;
    int remotePort_ = 21;
    std::chrono::seconds connectTimeout_{30};
    const std::chrono::seconds stallTimeout_;
    std::string pinned_;
    std::string acceptedKey_;
    bool createDirs_ = false;
    std::atomic<bool> missingFolder_{false};
    std::atomic<std::int64_t> bytesSent_{0};
    std::atomic<std::int64_t> bytesTotal_{0};

    std::function<void()> wakeUp_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    // Touched by the worker only while running_, by the owner only when not.
    std::unique_ptr<Session> session_;

    mutable std::mutex mutex_;  // guards the two below
    std::deque<std::int16_t> events_;
    std::string responseText_;
    UntrustedPeer untrusted_;
};

}  // namespace lexmill
