#include "WalkOperands.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

namespace lexmill::cli {
namespace {

class Collect : public WalkSink {
  public:
    Collect(std::string folder, std::vector<std::string>& files, std::vector<bool>& walked)
        : prefix_(std::move(folder)), files_(files), walked_(walked) {
        if (!prefix_.ends_with('/')) prefix_ += '/';
    }
    void file(std::string relativePath) override {
        files_.push_back(prefix_ + relativePath);
        walked_.push_back(true);
    }
    void unreadable(const std::string& relativePath, const std::string& reason) override {
        std::string path = prefix_ + relativePath;
        if (relativePath.empty() && path.size() > 1) path.pop_back();
        std::fprintf(stderr, "lexmill-batch: %s: cannot read the folder: %s\n", path.c_str(),
                     reason.c_str());
        readAll = false;
    }
    void linkLeadsOut(const std::string&) override { ++linksOut; }
    bool readAll = true;
    std::size_t linksOut = 0;

  private:
    std::string prefix_;
    std::vector<std::string>& files_;
    std::vector<bool>& walked_;
};

}  // namespace

std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string RunFolder(const std::vector<std::string>& operands, bool recursive) {
    namespace fs = std::filesystem;
    std::optional<fs::path> common;
    for (const std::string& name : operands) {
        std::error_code ec;
        fs::path path = fs::absolute(name, ec).lexically_normal();
        if (ec) continue;
        if (!recursive || !fs::is_directory(path, ec)) path = path.parent_path();
        if (!common) {
            common = path;
            continue;
        }
        fs::path shared;
        for (auto a = common->begin(), b = path.begin();
             a != common->end() && b != path.end() && *a == *b; ++a, ++b)
            shared /= *a;
        common = shared;
    }
    std::string folder = common ? common->string() : fs::current_path().string();
    if (!folder.ends_with('/')) folder += '/';
    return folder;
}

bool WalkOperands(Arguments& a) {
    if (!a.recursive) return true;
    bool readAll = true;
    std::size_t linksOut = 0;
    std::vector<std::string> files;
    std::vector<bool> walked;
    // The run passes over binary files on its first read of each.
    WalkOptions options = a.walk;
    options.passOverBinary = false;
    for (std::string& name : a.files) {
        struct stat st {};
        // A folder named on the command line is walked even through a link.
        if (::stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            files.push_back(std::move(name));
            walked.push_back(false);
            continue;
        }
        Collect sink(name, files, walked);
        WalkFolder(name, options, sink);
        readAll = readAll && sink.readAll;
        linksOut += sink.linksOut;
    }
    if (linksOut > 0)
        std::fprintf(stderr,
                     "lexmill-batch: %s links to files out of the folders walked were passed "
                     "over (--follow takes them)\n",
                     grouped(linksOut).c_str());
    a.files = std::move(files);
    a.walked = std::move(walked);
    return readAll;
}

}  // namespace lexmill::cli
