#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace lexmill {

// A server identity that failed its check and that the user could decide to
// trust: a TLS certificate the system's store does not vouch for (or that is
// not the pinned one), or an SSH host key missing from or differing from
// known_hosts.
struct UntrustedPeer {
    enum class Kind { None, Certificate, HostKey } kind = Kind::None;
    bool changed = false;             // differs from the pinned certificate or the known key
    std::string subject, issuer;      // of a certificate
    std::string notBefore, notAfter;  // its validity, as openssl prints it
    std::string keyType;              // of a host key: "ED25519", "ECDSA", "RSA", ...
    std::string fingerprint;          // certificate: hex pairs; host key: "SHA256:" and base64
    std::string previous;             // the pinned or known fingerprint, when changed
    std::string host;                 // of a host key: the server as named in the URL
    int port = 0;
};

// The user's words for it. `trustCommand`, when not empty, is how to trust
// it from the command line, said at the end of a refusal that cannot ask.
std::string DescribePeer(const UntrustedPeer& peer, std::string_view trustCommand = {});

// A certificate fingerprint as written by hand or by openssl ("ab:CD ...", in
// any case, with or without colons and spaces) in the form Lexmill shows and
// compares: upper-case hex pairs joined by ":". Empty when it is not a
// SHA-256 fingerprint; `why` then says what is wrong with it.
std::string NormalFingerprint(std::string_view text, std::string* why = nullptr);
// A server as its host key is asked about: "example.org, port 2222".
std::string ServerName(std::string_view host, int port);

// The checks one connection attempt runs; the callbacks below fill `seen`
// when they refuse.
struct PeerCheck {
    std::string pinnedCertificate;  // the fingerprint trusted for this connection
    std::string acceptedHostKey;    // an unknown host key the user accepted
    std::string knownHosts;         // the known_hosts file of SFTP host keys
    std::string host;               // the server, as in the URL
    int port = 22;
    UntrustedPeer seen;
};

// CURLOPT_SSL_CTX_FUNCTION (OpenSSL): certificates are verified against the
// system's store, or, when one is pinned, must be that one.
CURLcode InstallCertificateCheck(CURL* handle, void* sslContext, void* peerCheck);

// CURLOPT_SSH_HOSTKEYFUNCTION: a key known_hosts holds for the host and port
// passes, an unknown key passes (and is added to known_hosts) only when
// accepted, a changed key never.
int CheckHostKey(void* peerCheck, int keyType, const char* key, std::size_t size);

}  // namespace lexmill
