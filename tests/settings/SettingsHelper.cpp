// A second process for the settings tests, started afresh (never forked from a
// process with SQLite connections open). Exit code 2 and stderr on any error.
//   FILE write KEY NAME TEXT   writes TEXT as REG_SZ with its NUL
//   FILE read KEY NAME         prints the value's bytes; exit code 1 when missing
//   FILE hold MS               locks the whole file, prints "held", keeps it MS ms
//   FILE prepare               prepareSettingsFile: prints "moved" or "kept"
//   probe                      exits with 0
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "RegistryStore.h"
#include "SettingsFile.h"

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::string(argv[1]) == "probe") return 0;
        const std::string command = argc > 2 ? argv[2] : "";
        if (command == "write" && argc == 6) {
            std::string data = argv[5];
            data.push_back('\0');
            lexmill::RegistryStore(argv[1]).setValue(argv[3], argv[4], lexmill::REG_SZ, data);
            return 0;
        }
        if (command == "read" && argc == 5) {
            const auto value = lexmill::RegistryStore(argv[1]).queryValue(argv[3], argv[4]);
            if (!value) return 1;
            std::fwrite(value->data.data(), 1, value->data.size(), stdout);
            return 0;
        }
        if (command == "hold" && argc == 4) {
            sqlite3* db = nullptr;
            if (sqlite3_open(argv[1], &db) != SQLITE_OK ||
                sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
                std::fprintf(stderr, "cannot lock: %s\n", sqlite3_errmsg(db));
                return 2;
            }
            std::puts("held");
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[3])));
            const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            return rc == SQLITE_OK ? 0 : 2;
        }
        if (command == "prepare" && argc == 3) {
            std::puts(lexmill::prepareSettingsFile(argv[1]).movedAside ? "moved" : "kept");
            return 0;
        }
        std::fprintf(stderr, "usage: settings_helper FILE write|read|hold|prepare ...\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    return 2;
}
