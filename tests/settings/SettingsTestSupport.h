#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lexmill::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
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

// Runs `body` in a forked child and returns its exit code (the body's result),
// or -1 when the child died otherwise. The child must not touch SQLite
// connections opened by the parent; it leaves with _exit.
int runInChild(const std::function<int()>& body);

// The settings helper (SettingsHelper.cpp) running as a separate process, its
// standard output read through a pipe.
class HelperProcess {
  public:
    // `asNobody`: run it as the unprivileged user 65534 through setpriv.
    explicit HelperProcess(const std::vector<std::string>& arguments, bool asNobody = false);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // The next line of output, without its line feed; empty at the end.
    std::string readLine();
    // Waits for the end; the exit code (-1 when it died otherwise) and the
    // output not read yet.
    int wait(std::string* rest = nullptr);

  private:
    int pid_ = -1;
    int out_ = -1;
};

// Runs the helper to its end: exit code, and its output in `output`.
int runHelper(const std::vector<std::string>& arguments, std::string* output = nullptr,
              bool asNobody = false);

// Why the helper cannot run as an unprivileged user here, or empty when it can.
std::string whyNotAsNobody();

// Contents of a regular file; empty for anything else.
std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);
unsigned fileMode(const std::filesystem::path& file);

}  // namespace lexmill::test
