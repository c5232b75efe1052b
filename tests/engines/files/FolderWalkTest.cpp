// The folder walk behind lexmill-batch -r and the window's Subfolders mode.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"
#include "Unprivileged.h"
#include "files/FolderWalk.h"

namespace lexmill {
namespace {

struct WalkCase {
    const char* name;
    WalkOptions options;
    std::string found;             // one path a line; "!" marks an unreadable folder
    const char* locked = nullptr;  // a folder made unreadable, walked as user nobody
};

void PrintTo(const WalkCase& c, std::ostream* os) {
    *os << c.name;
}

class Lines : public WalkSink {
  public:
    void file(std::string path) override { text += path + "\n"; }
    void unreadable(const std::string& path, const std::string& reason) override {
        text += "!" + path + ": " + reason + "\n";
    }
    void linkLeadsOut(const std::string& path) override { text += "~" + path + "\n"; }
    std::string text;
};

class FolderWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(FolderWalk, FindsTheTextFilesInOrder) {
    const WalkCase& c = GetParam();
    test::TempDir dir;
    namespace fs = std::filesystem;
    for (const char* folder : {"c/LMBACK", ".git", "sub/deep"})
        fs::create_directories(dir.file(folder));
    for (const char* name : {"a.txt", "B.txt", "c/d.html", "c/LMBACK/a.txt", ".hidden.txt",
                             ".git/x.txt", "sub/inner.txt", "sub/deep/e.txt"})
        dir.write(name, "text");
    dir.write("bin.dat", std::string("text\0", 5));
    dir.write("late.dat", std::string(8192, 'x') + '\0');  // its NUL comes too late to count
    fs::create_directory_symlink("..", dir.file("sub/loop"));
    fs::create_directory_symlink(dir.path() + "/c", dir.file("sub/c-link"));
    fs::create_symlink("a.txt", dir.file("link.txt"));
    test::TempDir outside;  // a link out of the folder walked: "~" unless followed
    fs::create_symlink(outside.write("shared.txt", "text"), dir.file("sub/out.txt"));

    Lines lines;
    if (!c.locked) {
        WalkFolder(dir.path(), c.options, lines);
    } else {
        fs::permissions(dir.path(), fs::perms::all);
        fs::permissions(dir.file(c.locked), fs::perms::none);
        const auto out = test::runUnprivileged([&] {
            Lines inChild;
            WalkFolder(dir.path(), c.options, inChild);
            return inChild.text;
        });
        if (!out) GTEST_SKIP() << "cannot run the walk as user nobody";
        lines.text = *out;
    }
    EXPECT_EQ(lines.text, c.found);
}

WalkOptions Globs(std::vector<std::string> include, std::vector<std::string> exclude,
                  std::vector<std::string> excludeDir) {
    WalkOptions o;
    o.include = std::move(include);
    o.exclude = std::move(exclude);
    o.excludeDir = std::move(excludeDir);
    return o;
}

WalkOptions Follow() {
    WalkOptions o;
    o.followLinks = true;
    return o;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Trees, FolderWalk, ::testing::Values(
    // Hidden names, LMBACK, binary files and links to folders (a loop among
    // them) are passed over; a link to a file is taken.
    WalkCase{"SkipsAndOrder", {}, "a.txt\nB.txt\nc/d.html\nlate.dat\nlink.txt\n"
        "sub/deep/e.txt\nsub/inner.txt\n~sub/out.txt\n"},
    WalkCase{"Include", Globs({"*.txt", "*.htm?"}, {}, {}),
        "a.txt\nB.txt\nc/d.html\nlink.txt\nsub/deep/e.txt\nsub/inner.txt\n~sub/out.txt\n"},
    WalkCase{"IncludeAndExclude", Globs({"*.txt"}, {"l*", "[a-c]*"}, {}),
        "B.txt\nsub/deep/e.txt\nsub/inner.txt\n~sub/out.txt\n"},
    WalkCase{"ExcludeDir", Globs({}, {}, {"c", "dee?"}), "a.txt\nB.txt\nlate.dat\nlink.txt\n"
        "sub/inner.txt\n~sub/out.txt\n"},
    // (User nobody cannot see the file out of the folder, so neither its link.)
    WalkCase{"UnreadableFolderIsReportedAndTheWalkGoesOn", {}, "a.txt\nB.txt\n"
        "!c: Permission denied\nlate.dat\nlink.txt\nsub/deep/e.txt\nsub/inner.txt\n", "c"},
    WalkCase{"FollowTakesLinksOut", Follow(), "a.txt\nB.txt\nc/d.html\nlate.dat\nlink.txt\n"
        "sub/deep/e.txt\nsub/inner.txt\nsub/out.txt\n"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace lexmill
