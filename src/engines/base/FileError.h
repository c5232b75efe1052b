#pragma once

#include <stdexcept>
#include <string>

namespace lexmill {

// A file operation that failed: the path concerned and the reason, as the
// system gave it ("Permission denied").
class FileError : public std::runtime_error {
  public:
    FileError(std::string path, std::string reason)
        : std::runtime_error(path + ": " + reason),
          path_(std::move(path)),
          reason_(std::move(reason)) {}

    // From errno, with what was being done: "cannot create backup folder: No space left on device".
    static FileError fromErrno(const std::string& path, const std::string& doing, int error);

    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

  private:
    std::string path_;
    std::string reason_;
};

}  // namespace lexmill
