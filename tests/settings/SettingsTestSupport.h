#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lexmill::test {

// A fresh folder under the temporary folder, removed with its contents.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// The settings helper (SettingsHelper.cpp) as a separate process, started
// afresh; `asNobody` runs it as user 65534 through setpriv.
class HelperProcess {
  public:
    explicit HelperProcess(const std::vector<std::string>& arguments, bool asNobody = false);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    std::string readLine();  // without its line feed; empty at the end
    // The exit code (-1 when it died otherwise) and the output not read yet.
    int wait(std::string* rest = nullptr);

  private:
    int pid_ = -1;
    int out_ = -1;
};

int runHelper(const std::vector<std::string>& arguments, std::string* output = nullptr,
              bool asNobody = false);
// Why the helper cannot run as an unprivileged user here, or empty.
std::string whyNotAsNobody();

std::string readFile(const std::filesystem::path& file);  // empty unless a regular file
void writeFile(const std::filesystem::path& file, const std::string& bytes);
unsigned fileMode(const std::filesystem::path& file);

}  // namespace lexmill::test
