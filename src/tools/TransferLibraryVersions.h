#pragma once

#include <string>

namespace lexmill {

// Lines of --version for the libraries the transfers and the settings load:
// "libcurl 7.88.1 (TLS: OpenSSL/3.0.15, SSH: libssh2/1.10.0)" and
// "SQLite 3.40.1", as the libraries loaded report themselves.
std::string TransferLibraryVersions();

}  // namespace lexmill
