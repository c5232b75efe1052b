#include "PeerTrust.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cctype>
#include <memory>
#include <vector>

#include "KnownHosts.h"

namespace lexmill {

namespace {

std::string NameText(const X509_NAME* name) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253) < 0) return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

// "Dec  8 04:12:12 2026 GMT".
std::string TimeText(const ASN1_TIME* time) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!bio || !time || ASN1_TIME_print(bio.get(), time) != 1) return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string CertificateFingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!X509_digest(certificate, EVP_sha256(), digest, &size)) return {};
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        if (i) text += ':';
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

// As ssh prints it: "SHA256:" and the digest in base64 without padding.
std::string KeyFingerprint(const unsigned char* key, std::size_t size) {
    unsigned char digest[32];
    unsigned int digestSize = 0;
    EVP_Digest(key, size, digest, &digestSize, EVP_sha256(), nullptr);
    unsigned char text[48] = {};
    const int length = EVP_EncodeBlock(text, digest, static_cast<int>(digestSize));
    std::string base64(reinterpret_cast<char*>(text), static_cast<std::size_t>(length));
    while (!base64.empty() && base64.back() == '=') base64.pop_back();
    return "SHA256:" + base64;
}

std::string KeyTypeName(int type) {
    switch (type) {
        case CURLKHTYPE_RSA1:
        case CURLKHTYPE_RSA:
            return "RSA";
        case CURLKHTYPE_DSS:
            return "DSA";
        case CURLKHTYPE_ECDSA:
            return "ECDSA";
        case CURLKHTYPE_ED25519:
            return "ED25519";
        default:
            return "unknown";
    }
}

int CheckIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Called for each certificate of the chain; the one under test is the
// server's own (the leaf).
int OnVerify(int preverified, X509_STORE_CTX* store) {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* check = static_cast<PeerCheck*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), CheckIndex()));
    if (!check) return preverified;
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    const std::string fingerprint = CertificateFingerprint(leaf);
    const std::string pinned = NormalFingerprint(check->pinnedCertificate);
    if (check->pinnedCertificate.empty() ? preverified : fingerprint == pinned) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    UntrustedPeer& seen = check->seen;
    seen.kind = UntrustedPeer::Kind::Certificate;
    seen.changed = !check->pinnedCertificate.empty();
    seen.previous = pinned;
    seen.subject = NameText(X509_get_subject_name(leaf));
    seen.issuer = NameText(X509_get_issuer_name(leaf));
    seen.notBefore = TimeText(X509_get0_notBefore(leaf));
    seen.notAfter = TimeText(X509_get0_notAfter(leaf));
    seen.fingerprint = fingerprint;
    if (seen.changed) X509_STORE_CTX_set_error(store, X509_V_ERR_APPLICATION_VERIFICATION);
    return 0;
}

}  // namespace

CURLcode InstallCertificateCheck(CURL*, void* sslContext, void* peerCheck) {
    auto* context = static_cast<SSL_CTX*>(sslContext);
    SSL_CTX_set_ex_data(context, CheckIndex(), peerCheck);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, OnVerify);
    return CURLE_OK;
}

int CheckHostKey(void* peerCheck, int keyType, const char* key, std::size_t size) {
    auto& check = *static_cast<PeerCheck*>(peerCheck);
    const std::string_view blob(key, size);
    const KnownHosts::Result found =
        KnownHosts::Check(check.knownHosts, check.host, check.port, blob);
    if (found.match == KnownHosts::Match::Known) return CURLKHMATCH_OK;
    const std::string fingerprint =
        KeyFingerprint(reinterpret_cast<const unsigned char*>(key), size);
    if (found.match == KnownHosts::Match::Unknown && fingerprint == check.acceptedHostKey) {
        // As ssh does, a key that cannot be kept still serves this connection.
        std::string why;
        KnownHosts::Add(check.knownHosts, check.host, check.port, blob, why);
        return CURLKHMATCH_OK;
    }
    UntrustedPeer& seen = check.seen;
    seen.kind = UntrustedPeer::Kind::HostKey;
    seen.changed = found.match == KnownHosts::Match::Changed;
    seen.keyType = KeyTypeName(keyType);
    seen.fingerprint = fingerprint;
    seen.previous =
        found.knownKey.empty()
            ? std::string()
            : KeyFingerprint(reinterpret_cast<const unsigned char*>(found.knownKey.data()),
                             found.knownKey.size());
    seen.host = check.host;
    seen.port = check.port;
    return CURLKHMATCH_MISMATCH;
}

// Each fingerprint has a line of its own: a message box that wraps the text
// would otherwise break one at its "/" or ":".
std::string DescribePeer(const UntrustedPeer& peer, std::string_view trustCommand) {
    const std::string howToTrust =
        trustCommand.empty() ? std::string()
                             : "\nTo trust it, run:\n" + std::string(trustCommand) +
                                   "\nor upload through this connection once in the FTP window.";
    if (peer.kind == UntrustedPeer::Kind::Certificate) {
        std::string text = peer.changed ? "The server's certificate is not the one trusted for "
                                          "this connection: it has changed."
                                        : "The server's certificate could not be verified.";
        text += "\nSubject: " + peer.subject + "\nIssuer: " + peer.issuer;
        if (!peer.notBefore.empty())
            text += "\nValid from " + peer.notBefore + " to " + peer.notAfter;
        text += "\nSHA-256 fingerprint:\n" + peer.fingerprint;
        if (peer.changed) text += "\nTrusted fingerprint:\n" + peer.previous;
        return text + howToTrust;
    }
    if (peer.kind != UntrustedPeer::Kind::HostKey) return {};
    const std::string server = ServerName(peer.host, peer.port);
    if (peer.changed)
        return "WARNING: the host key of " + server +
               ", has changed. Someone could be eavesdropping, or the server's key was "
               "replaced.\n" +
               peer.keyType + " key fingerprint:\n" + peer.fingerprint +
               (peer.previous.empty() ? "" : "\nKnown fingerprint:\n" + peer.previous) +
               "\nIf the change is expected, remove the old key with:\nssh-keygen -R \"" +
               KnownHosts::HostName(peer.host, peer.port) + "\"";
    std::string text = "The host key of " + server + ", is not known.\n" + peer.keyType +
                       " key fingerprint:\n" + peer.fingerprint;
    return text + howToTrust;
}

std::string NormalFingerprint(std::string_view text, std::string* why) {
    std::string hex;
    for (const char c : text) {
        if (c == ':' || c == ' ' || c == '\t') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            if (why)
                *why = "\"" + std::string(text) + "\" is not a SHA-256 fingerprint: \"" +
                       std::string(1, c) + "\" is not a hex digit.";
            return {};
        }
        hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (hex.size() != 64) {
        if (why)
            *why = "\"" + std::string(text) + "\" is not a SHA-256 fingerprint: it has " +
                   std::to_string(hex.size()) + " hex digits, not 64.";
        return {};
    }
    std::string normal;
    for (std::size_t i = 0; i < hex.size(); i += 2) normal += (i ? ":" : "") + hex.substr(i, 2);
    return normal;
}

std::string ServerName(std::string_view host, int port) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return std::string(host) + ", port " + std::to_string(port);
}

}  // namespace lexmill
