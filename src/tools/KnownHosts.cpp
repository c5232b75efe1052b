#include "KnownHosts.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace lexmill {

namespace {

// Base64 without line breaks; nothing when `text` is not base64.
bool Base64Decode(std::string_view text, std::string& bytes) {
    bytes.clear();
    unsigned value = 0;
    int bits = 0;
    std::size_t padding = 0;
    for (const char c : text) {
        int digit;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            digit = c - '0' + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        else if (c == '=' && ++padding <= 2)
            continue;
        else
            return false;
        if (padding) return false;  // "=" only at the end
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return !bytes.empty();
}

std::string Base64Encode(std::string_view bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int size = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(size));
    return text;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// "*" for any run of characters, "?" for any one, letter case ignored.
bool Wildcard(std::string_view text, std::string_view pattern) {
    std::size_t t = 0, p = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(text[t]))) {
            ++t, ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Whether the hosts field of a line names `name`.
bool NamesHost(std::string_view field, const std::string& name) {
    if (field.starts_with("|1|")) {
        const std::size_t bar = field.find('|', 3);
        std::string salt, hash;
        if (bar == std::string_view::npos || !Base64Decode(field.substr(3, bar - 3), salt) ||
            !Base64Decode(field.substr(bar + 1), hash))
            return false;
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!HMAC(EVP_sha1(), salt.data(), static_cast<int>(salt.size()),
                  reinterpret_cast<const unsigned char*>(name.data()), name.size(), digest, &size))
            return false;
        return hash == std::string_view(reinterpret_cast<const char*>(digest), size);
    }
    bool named = false;
    for (std::size_t start = 0; start <= field.size();) {
        const std::size_t end = std::min(field.find(',', start), field.size());
        std::string_view pattern = field.substr(start, end - start);
        const bool excluded = pattern.starts_with('!');
        if (excluded) pattern.remove_prefix(1);
        if (!pattern.empty() && Wildcard(name, pattern)) {
            if (excluded) return false;
            named = true;
        }
        start = end + 1;
    }
    return named;
}

}  // namespace

std::string KnownHosts::HostName(std::string_view host, int port) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    std::string name;
    for (const char c : host) name += Lower(c);
    return port == 22 ? name : "[" + name + "]:" + std::to_string(port);
}

std::string KnownHosts::KeyType(std::string_view key) {
    if (key.size() < 4) return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    const std::size_t size = (std::size_t{bytes[0]} << 24) | (std::size_t{bytes[1]} << 16) |
                             (std::size_t{bytes[2]} << 8) | bytes[3];
    if (size == 0 || size > key.size() - 4) return {};
    return std::string(key.substr(4, size));
}

KnownHosts::Result KnownHosts::Check(const std::string& file, std::string_view host, int port,
                                     std::string_view key) {
    const std::string name = HostName(host, port), type = KeyType(key);
    std::ifstream in(file);
    Result result;
    bool known = false, revoked = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string marker, hosts, lineType, blob64, blob;
        if (!(fields >> hosts) || hosts.starts_with('#')) continue;
        if (hosts.starts_with('@')) {
            marker = hosts;
            if (!(fields >> hosts)) continue;
        }
        if (!(fields >> lineType >> blob64) || !Base64Decode(blob64, blob)) continue;
        if (marker == "@cert-authority" || !NamesHost(hosts, name)) continue;
        if (marker == "@revoked") {
            revoked = revoked || blob == key;
        } else if (blob == key) {
            known = true;
        } else if (lineType == type && KeyType(blob) == type && result.knownKey.empty()) {
            result.knownKey = blob;
        }
    }
    if (revoked)
        result = {Match::Changed, {}};
    else if (known)
        result = {Match::Known, {}};
    else
        result.match = result.knownKey.empty() ? Match::Unknown : Match::Changed;
    return result;
}

bool KnownHosts::Add(const std::string& file, std::string_view host, int port, std::string_view key,
                     std::string& why) {
    const std::string type = KeyType(key);
    if (type.empty()) {
        why = "the server's host key is not in a known form";
        return false;
    }
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = "cannot open " + file + ": " + std::strerror(errno);
        return false;
    }
    // A last line without its line break gets one first.
    std::string line;
    char last = '\n';
    if (::lseek(fd, -1, SEEK_END) >= 0 && ::read(fd, &last, 1) == 1 && last != '\n') line = "\n";
    line += HostName(host, port) + " " + type + " " + Base64Encode(key) + "\n";
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (!written) why = "cannot write " + file + ": " + std::strerror(errno);
    if (::close(fd) != 0 && written) {
        why = "cannot write " + file + ": " + std::strerror(errno);
        return false;
    }
    return written;
}

}  // namespace lexmill
