#pragma once

#include <string>
#include <string_view>

namespace lexmill {

// An SSH known_hosts file as OpenSSH reads and writes it. A host on port 22
// goes by its name, on any other port by "[name]:port", and each port has
// keys of its own. A line names its hosts by patterns ("*" and "?", "!" to
// leave a name out, several joined by ",") or hashed ("|1|salt|hash", the
// HMAC-SHA1 of the name keyed by the salt, both base64, as `HashKnownHosts
// yes` writes them). Keys are the raw blobs the server sends.
class KnownHosts {
  public:
    enum class Match {
        Known,    // a line holds this key for the host and port
        Unknown,  // none holds a key of its type for them
        Changed,  // one holds another key of its type, or the key is revoked
    };
    struct Result {
        Match match = Match::Unknown;
        std::string knownKey;  // when changed: the key on file, if any
    };

    // How `host` (as it stands in a URL: "[::1]" for IPv6) is named there on `port`.
    static std::string HostName(std::string_view host, int port);
    // Looks `key` up for the host and port. A file that cannot be read knows nothing.
    static Result Check(const std::string& file, std::string_view host, int port,
                        std::string_view key);
    // Appends a line with the key for the host and port (the file made, mode
    // 0600, when missing); false with the reason when it cannot be written.
    static bool Add(const std::string& file, std::string_view host, int port, std::string_view key,
                    std::string& why);
    // The key type a key blob names ("ssh-ed25519"), or "" when it is not one.
    static std::string KeyType(std::string_view key);
};

}  // namespace lexmill
