#include "TransferLibraryVersions.h"

#include <curl/curl.h>
#include <sqlite3.h>

namespace lexmill {

std::string TransferLibraryVersions() {
    const curl_version_info_data* curl = curl_version_info(CURLVERSION_NOW);
    auto named = [](const char* name) { return std::string(name ? name : "none"); };
    return "libcurl " + named(curl->version) + " (TLS: " + named(curl->ssl_version) +
           ", SSH: " + named(curl->libssh_version) + ")\nSQLite " + sqlite3_libversion() + "\n";
}

}  // namespace lexmill
