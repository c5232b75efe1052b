#include "RemoteCommands.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

namespace lexmill {

namespace {

// Long names keep their start, cut at a character border, so that the
// temporary name stays within the 255 bytes most file systems allow.
constexpr std::size_t kKeptBytes = 200;

std::string Quoted(std::string_view path) {
    std::string text = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
    }
    return text + "\"";
}

}  // namespace

std::string TemporaryPath(std::string_view remotePath) {
    const std::size_t slash = remotePath.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : remotePath.substr(0, slash + 1);
    std::string_view name = remotePath.substr(folder.size());
    if (name.size() > kKeptBytes) {
        std::size_t end = kKeptBytes;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
        name = name.substr(0, end);
    }
    static std::atomic<unsigned> counter{0};
    std::mt19937 random(
        std::random_device{}() ^ counter++ ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char tag[16];
    std::snprintf(tag, sizeof tag, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
    return std::string(folder) + "." + std::string(name) + ".lexmill-" + tag;
}

std::vector<std::string> RenameCommands(bool sftp, std::string_view from, std::string_view to) {
    if (sftp) return {"rename " + Quoted(from) + " " + Quoted(to)};
    return {"RNFR " + std::string(from), "RNTO " + std::string(to)};
}

std::string RemoveCommand(bool sftp, std::string_view path) {
    return sftp ? "rm " + Quoted(path) : "DELE " + std::string(path);
}

std::string MakeFolderCommand(bool sftp, std::string_view path) {
    return sftp ? "mkdir " + Quoted(path) : "MKD " + std::string(path);
}

std::vector<std::string> FoldersOf(std::string_view directoryPath) {
    std::vector<std::string> folders;
    for (std::size_t end = directoryPath.find('/', 1); end != std::string_view::npos;
         end = directoryPath.find('/', end + 1))
        if (directoryPath[end - 1] != '/') folders.emplace_back(directoryPath.substr(0, end));
    if (!directoryPath.empty() && directoryPath.back() != '/') folders.emplace_back(directoryPath);
    return folders;
}

std::string Files(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

std::string SentOf(long long sent, long long total) {
    if (total <= 0) return "0 bytes";
    const bool mega = total >= 1000 * 1000;
    const double unit = mega ? 1e6 : 1e3;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f of %.1f %s", static_cast<double>(sent) / unit,
                  static_cast<double>(total) / unit, mega ? "MB" : "KB");
    return text;
}

std::string StoppedAt(std::string_view name, long long sent, long long total, std::size_t arrived,
                      std::size_t count) {
    return "Stopped at " + std::string(name) + ", " + SentOf(sent, total) + " sent; " +
           std::to_string(arrived) + " of " + Files(count) + " arrived.";
}

}  // namespace lexmill
