// What the transfer component sends besides the files themselves: the
// temporary name a file travels under, and the rename, remove and mkdir
// commands of each protocol (libcurl's quote lists).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lexmill {

// The name a file is sent under before it replaces `remotePath`: in the same
// folder, hidden, unique to this upload ("dir/.name.lexmill-3f9a0c").
std::string TemporaryPath(std::string_view remotePath);

// The commands that rename `from` to `to` (raw paths, absolute or relative to
// the log-in folder), remove `path`, or make the folder `path`. SFTP takes
// them quoted; FTP sends the rest of the line as it is. A leading "*" makes
// libcurl go on when the command fails.
std::vector<std::string> RenameCommands(bool sftp, std::string_view from, std::string_view to);
std::string RemoveCommand(bool sftp, std::string_view path);
std::string MakeFolderCommand(bool sftp, std::string_view path);

// "/a/b/c/" gives "/a", "/a/b", "/a/b/c": each folder of the path, outermost first.
std::vector<std::string> FoldersOf(std::string_view directoryPath);

// "1 file", "3 files".
std::string Files(std::size_t count);
// "2.4 of 3.1 MB", "0.3 of 1.0 KB", "0 bytes" for an empty file.
std::string SentOf(long long sent, long long total);
// The line that ends a run's failure message: where it stopped and what
// arrived. "Stopped at b.bin, 1.0 of 3.1 MB sent; 1 of 3 files arrived."
std::string StoppedAt(std::string_view name, long long sent, long long total, std::size_t arrived,
                      std::size_t count);

}  // namespace lexmill
