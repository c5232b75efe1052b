#include "InetAddress.h"

#include <curl/curl.h>

#include <memory>

namespace lexmill {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
    void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

// The part, or nothing when the URL has none.
std::optional<std::string> Part(CURLU* url, CURLUPart what, unsigned flags = 0) {
    char* raw = nullptr;
    if (curl_url_get(url, what, &raw, flags) != CURLUE_OK || !raw) return std::nullopt;
    CurlText text(raw);
    return std::string(text.get());
}

bool StartsWithFtp(std::string_view url) {
    constexpr std::string_view scheme = "ftp://";
    if (url.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        char c = url[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> AddressUrl(std::string_view address, std::string_view protocol,
                                      std::string* why) {
    const std::size_t end = address.find("://");
    if (end == std::string_view::npos) return "ftp://" + std::string(address);
    std::string scheme;
    for (const char c : address.substr(0, end))
        scheme += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    const bool sftp = protocol == "SFTP", tls = protocol == "FTP with TLS";
    if (scheme == (sftp ? "sftp" : "ftp") || (tls && scheme == "ftps"))
        return "ftp://" + std::string(address.substr(end + 3));
    if (why) {
        const std::string typed = std::string(address.substr(0, end + 3));
        if (scheme == "ftp" || scheme == "ftps" || scheme == "sftp")
            *why = "The address begins with \"" + typed + "\", but the protocol is " +
                   std::string(protocol) + ". Choose " +
                   (scheme == "sftp"   ? "SFTP"
                    : scheme == "ftps" ? "FTP with TLS"
                                       : "FTP") +
                   " under \"Protocol:\", or give the host name alone.";
        else
            *why = "The address begins with \"" + typed +
                   "\", which Lexmill cannot upload by. Give the host name alone and choose FTP, "
                   "FTP with TLS or SFTP under \"Protocol:\".";
    }
    return std::nullopt;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::optional<InetAddress> InetAddress::Parse(std::string_view url, int defaultPort,
                                              std::string* why) {
    auto refuse = [why](const char* reason) -> std::optional<InetAddress> {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (HasLineBreak(url)) return refuse("The FTP address contains a line break.");
    if (!StartsWithFtp(url)) return refuse("The address must begin with \"ftp://\".");
    if (url.size() == 6) return refuse("No FTP address was given.");

    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed) return refuse("Out of memory.");
    const std::string text(url);
    if (curl_url_set(parsed.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return refuse("The FTP address is not a valid host name or address.");
    if (Part(parsed.get(), CURLUPART_USER) || Part(parsed.get(), CURLUPART_PASSWORD))
        return refuse("Give the user name and password in their own boxes, not in the address.");
    const auto path = Part(parsed.get(), CURLUPART_PATH);
    if ((path && *path != "/" && !path->empty()) || Part(parsed.get(), CURLUPART_QUERY) ||
        Part(parsed.get(), CURLUPART_FRAGMENT))
        return refuse("The FTP address must be a host name only, without a folder.");
    auto host = Part(parsed.get(), CURLUPART_HOST);
    if (!host || host->empty()) return refuse("No FTP address was given.");

    InetAddress address;
    address.host = std::move(*host);
    address.port = defaultPort;
    if (const auto port = Part(parsed.get(), CURLUPART_PORT, CURLU_NO_DEFAULT_PORT))
        address.port = std::stoi(*port);  // curl accepts digits only
    if (address.port < 1 || address.port > 65535)
        return refuse("The port must be a number from 1 to 65535.");
    return address;
}

std::string InetAddress::UrlOf(std::string_view rawPath) const {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = scheme + "://" + host + ":" + std::to_string(port) + "/";
    for (const char c : rawPath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 15];
        }
    }
    return url;
}

std::string DirectoryPath(std::string_view directory) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

std::string FilePath(std::string_view directoryPath, std::string_view name) {
    return std::string(directoryPath) + std::string(name);
}

}  // namespace lexmill
