// What the programs say about themselves and their settings file: --version
// without a display, and a settings file lexmill-batch --upload cannot read.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <vector>

#include "FtpConnections.h"
#include "LexmillVersion.h"
#include "SettingsFile.h"
#include "TempDir.h"

namespace lexmill {
namespace {

struct Output {
    int status;
    std::string out, err;
};

// Runs `command` through the shell with no display and the settings under `config`.
Output run(const test::TempDir& dir, const std::string& command, const std::string& config = "") {
    const std::string line =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME='" +
        (config.empty() ? dir.path() : config) + "' " + command + " >" + dir.file(".out") + " 2>" +
        dir.file(".err");
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readFile(dir.file(".out")),
            test::readFile(dir.file(".err"))};
}

TEST(Version, NamesTheBuildAndTheLibrariesLoaded) {
    test::TempDir dir;
    const std::string libraries =
        "PCRE2 [0-9.]+ \\(JIT\\)\n"
        "libcurl [0-9.]+ \\(TLS: OpenSSL/[0-9.]+, SSH: libssh2/[0-9.]+\\)\nSQLite [0-9.]+\n";
    const std::pair<std::string, std::string> programs[] = {{LEXMILL_BATCH, "lexmill-batch"},
                                                            {LEXMILL_APP, "lexmill"}};
    for (const auto& [program, name] : programs) {
        const Output o = run(dir, program + " --version");
        EXPECT_EQ(o.status, 0) << program << o.err;
        const std::string first = name + " " + kVersion + "\n";
        ASSERT_TRUE(o.out.starts_with(first)) << o.out;
        const std::string rest = (name == "lexmill" ? "Qt 6[0-9.]+\n" : "") + libraries;
        EXPECT_TRUE(std::regex_match(o.out.substr(first.size()), std::regex(rest))) << o.out;
        EXPECT_EQ(o.err, "");
    }
    EXPECT_TRUE(std::string(kVersion).starts_with(LEXMILL_PROJECT_VERSION)) << kVersion;
}

// The libcurl and SQLite lines come from lexmill-batch-upload beside it.
TEST(Version, SaysSoWhenTheUploadHelperIsMissing) {
    test::TempDir dir;
    std::filesystem::copy_file(LEXMILL_BATCH, dir.file("lexmill-batch"));
    const Output o = run(dir, dir.file("lexmill-batch") + " --version");
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.out.starts_with("lexmill-batch " + std::string(kVersion) + "\nPCRE2 ")) << o.out;
    EXPECT_TRUE(o.err.starts_with("lexmill-batch: cannot run " + dir.file("lexmill-batch-upload")))
        << o.err;
}

struct SettingsCase {
    const char* name;
    const char* file;  // the settings file's bytes; "/": a folder in its place; "": none
    const char* command;
    int status;
    std::string out, err;  // err: how it starts; "{file}" stands for the settings file
};

TEST(SettingsFile, AFileThatCannotBeReadIsReportedWithTheReason) {
    const std::string upload = std::string(LEXMILL_BATCH) + " --upload site /etc/hostname";
    const std::string list = std::string(LEXMILL_BATCH) + "-upload --list-connections";
    const std::string unreadable = "lexmill-batch: cannot read the settings file {file}: ";
    const SettingsCase cases[] = {
        {"not a database", "not a database at all", upload.c_str(), 1, "",
         unreadable + "{file} is not a database"},
        {"a folder in its place", "/", upload.c_str(), 1, "", unreadable + "cannot open"},
        {"no file yet", "", upload.c_str(), 2, "", "lexmill-batch: no stored connection is named"},
        {"stored names listed", "names", list.c_str(), 0, "home\nMy site\n", ""},
        {"nothing listed from an unreadable file", "not a database", list.c_str(), 1, "",
         "lexmill-batch: cannot read the settings file: "},
    };
    for (const SettingsCase& c : cases) {
        test::TempDir dir;
        const std::string file = settingsFileIn(dir.path()).string();
        if (c.file == std::string("/")) {
            std::filesystem::create_directory(file);
        } else if (c.file == std::string("names")) {
            FtpConnections stored(file);
            stored.Add("home");
            stored.Add("My site");
        } else if (*c.file) {
            dir.write(file.substr(dir.path().size() + 1), c.file);
        }
        const Output o = run(dir, c.command);
        std::string err = c.err;
        for (auto at = err.find("{file}"); at != std::string::npos; at = err.find("{file}"))
            err.replace(at, 6, file);
        EXPECT_EQ(o.status, c.status) << c.name << ": " << o.err;
        EXPECT_EQ(o.out, c.out) << c.name;
        EXPECT_TRUE(o.err.starts_with(err)) << c.name << ": " << o.err;
    }
}

struct CompletionCase {
    const char* name;
    std::vector<std::string> words;  // after lexmill-batch, the last one being completed
    std::string offered;             // one a line
};

// The bash completion, run as bash runs it, over the lexmill-batch built and
// the connections stored beside it.
TEST(Completion, OffersOptionsValuesAndStoredConnectionNames) {
    const CompletionCase cases[] = {
        {"names that start so, quoted for the shell", {"--upload", "M"}, "My\\ site\nMill\n"},
        {"every name", {"--upload", ""}, "home\nMy\\ site\nMill\n"},
        {"a word begun with a quote", {"--upload", "\"My"}, "My\\ site\n"},
        {"options, from --help", {"--ver"}, "--version\n"},
        {"the character sets", {"--charset", "w"}, "windows-1252\n"},
    };
    test::TempDir dir;
    FtpConnections stored(settingsFileIn(dir.path()));
    for (const char* name : {"home", "My site", "Mill"}) stored.Add(name);
    for (const CompletionCase& c : cases) {
        std::string words = std::string("'") + LEXMILL_BATCH + "'", line = LEXMILL_BATCH;
        for (const std::string& word : c.words) words += " '" + word + "'", line += " " + word;
        dir.write("complete.sh",
                  "source /usr/share/bash-completion/bash_completion\nsource '" LEXMILL_COMPLETION
                  "'\nCOMP_WORDS=(" +
                      words + ")\nCOMP_CWORD=" + std::to_string(c.words.size()) + "\nCOMP_LINE='" +
                      line +
                      "'\nCOMP_POINT=${#COMP_LINE}\n"
                      "_lexmill_batch \"${COMP_WORDS[0]}\"\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n");
        const Output o = run(dir, "bash " + dir.file("complete.sh"));
        EXPECT_EQ(o.status, 0) << c.name << ": " << o.err;
        EXPECT_EQ(o.out, c.offered) << c.name;
    }
}

}  // namespace
}  // namespace lexmill
