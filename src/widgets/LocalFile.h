#pragma once

#include <fcntl.h>

#include <QFile>
#include <cerrno>
#include <string>

namespace lexmill {

// A QFile opened on a path given as the system's bytes, which need not be
// UTF-8 (a QFile's own name is text, and would name another file).
class LocalFile : public QFile {
  public:
    // Opens the file for reading; on failure errorString() says why, as QFile's does.
    bool openLocal(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            setErrorString(qt_error_string(errno));
            return false;
        }
        return open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    }
};

}  // namespace lexmill
