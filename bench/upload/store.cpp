// lexmill-store-connection NAME ADDRESS USER PASSWORD FOLDER PORT PROTOCOL:
// stores a connection as the FTP window's Save Connection does, in the
// settings file of $XDG_CONFIG_HOME, so that bench/ftps can time uploads
// through it without a window.
#include <cstdio>
#include <exception>

#include "FtpConnections.h"
#include "SettingsFile.h"

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr,
                     "usage: lexmill-store-connection NAME ADDRESS USER PASSWORD FOLDER PORT "
                     "PROTOCOL\n");
        return 2;
    }
    try {
        lexmill::FtpConnections connections(lexmill::defaultSettingsFile());
        if (connections.Find(argv[1]) == 0) connections.Add(argv[1]);
        connections.Store(argv[1], {argv[2], argv[3], argv[4], argv[5], argv[6], argv[7], ""});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lexmill-store-connection: %s\n", e.what());
        return 1;
    }
    return 0;
}
