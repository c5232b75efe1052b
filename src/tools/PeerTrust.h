#pragma once

#include <curl/curl.h>

#include <string>

namespace lexmill {

// A server identity that failed its check and that the user could decide to
// trust: a TLS certificate the system's store does not vouch for (or that is
// not the pinned one), or an SSH host key missing from or differing from
// known_hosts.
struct UntrustedPeer {
    enum class Kind { None, Certificate, HostKey } kind = Kind::None;
    bool changed = false;         // differs from the pinned certificate or the known key
    std::string subject, issuer;  // of a certificate
    std::string keyType;          // of a host key: "ED25519", "ECDSA", "RSA", ...
    std::string fingerprint;      // certificate: hex pairs; host key: "SHA256:" and base64
    std::string previous;         // the pinned or known fingerprint, when changed
};

// The user's words for it, ending with what can be done about it.
std::string DescribePeer(const UntrustedPeer& peer, bool canAsk);

// The checks one connection attempt runs; the callbacks below fill `seen`
// when they refuse.
struct PeerCheck {
    std::string pinnedCertificate;  // the fingerprint trusted for this connection
    std::string acceptedHostKey;    // an unknown host key the user accepted
    UntrustedPeer seen;
};

// CURLOPT_SSL_CTX_FUNCTION (OpenSSL): certificates are verified against the
// system's store, or, when one is pinned, must be that one.
CURLcode InstallCertificateCheck(CURL* handle, void* sslContext, void* peerCheck);

// CURLOPT_SSH_KEYFUNCTION: known keys pass, an unknown key passes (and is
// added to known_hosts) only when accepted, a changed key never.
int CheckHostKey(CURL* handle, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                 void* peerCheck);

}  // namespace lexmill
