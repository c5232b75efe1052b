#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lexmill {

// The pieces of an FTP address the component needs, checked before anything
// is sent.
struct InetAddress {
    std::string host;  // as it goes into a URL ("[::1]" for IPv6)
    int port = 0;
    std::string scheme = "ftp";  // of the URLs made: "ftp" or "sftp"

    // "ftp://host" or "ftp://host:port" (a trailing "/" allowed). The port in
    // the text wins over `defaultPort`. Anything else (another scheme, a path,
    // a log-in, a line break, no host, a port outside 1..65535) gives nothing
    // and `why` says what is wrong.
    static std::optional<InetAddress> Parse(std::string_view url, int defaultPort,
                                            std::string* why);

    // The URL of `rawPath` on this server: every byte of the path
    // percent-encoded, so that spaces, "#", "%" or "?" in names reach the
    // server unchanged.
    std::string UrlOf(std::string_view rawPath) const;
};

// The address box's text as the URL Parse takes: "ftp://" and the host. A
// scheme typed before the host is dropped when it is the protocol's own
// ("ftp://" for FTP, "ftp://" or "ftps://" for FTP with TLS, "sftp://" for
// SFTP; `protocol` as the FTP window names it); any other gives nothing and
// `why` says what is wrong.
std::optional<std::string> AddressUrl(std::string_view address, std::string_view protocol,
                                      std::string* why);

// True when `text` holds a CR or LF, which would end an FTP command early
// and let the rest pass for another command.
bool HasLineBreak(std::string_view text);

// The working directory as a raw path ending in "/" ("" for the log-in
// directory), and the path of a file in it.
std::string DirectoryPath(std::string_view directory);
std::string FilePath(std::string_view directoryPath, std::string_view name);

}  // namespace lexmill
