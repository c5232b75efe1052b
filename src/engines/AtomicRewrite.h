#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "UniqueFd.h"

namespace lexmill {

// A new version of a file, written to a temporary file in the file's own
// folder and put in its place by commit(), in one rename: the file is either
// as it was or wholly new. A symbolic link stays a link; the file it points to
// is rewritten. The new file keeps the old one's permission bits (and owner,
// where the system allows). Until commit() succeeds nothing changes, and a
// rewrite that is dropped removes its temporary file.
//
// Errors are FileErrors that name `path`, the file as the caller knows it.
class AtomicRewrite {
  public:
    // With newFileMode >= 0 the file may not exist yet; it is created with
    // those permission bits.
    explicit AtomicRewrite(const std::string& path, int newFileMode = -1);
    ~AtomicRewrite();
    AtomicRewrite(const AtomicRewrite&) = delete;
    AtomicRewrite& operator=(const AtomicRewrite&) = delete;

    void write(std::string_view bytes);
    // Appends `length` bytes of `source` from its offset 0.
    void copyFrom(int source, std::uint64_t length);
    // Flushes the new text to disk and renames it over the file.
    void commit();

  private:
    void flushBuffer();
    void writeAll(const char* data, std::size_t size);

    std::string path_;    // as given, for messages
    std::string target_;  // the file that is replaced (links resolved)
    std::string temp_;
    UniqueFd fd_;
    std::string buffer_;
    bool committed_ = false;
};

// Copies the file at `path` into `folder` under `name`, creating the folder if
// needed, replacing an earlier copy atomically. Throws FileError.
void backupFile(const std::string& path, const std::string& folder, const std::string& name);

}  // namespace lexmill
