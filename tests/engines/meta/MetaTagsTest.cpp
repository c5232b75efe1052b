#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "base/FileError.h"
#include "meta/MetaTags.h"

namespace lexmill {
namespace {

using namespace std::string_literals;
using Tags = std::vector<std::string>;

// Feeds the text in blocks of `block` bytes, then takes each tag the scanner
// did not keep from the text by its offset, as a file reader does.
Tags inBlocks(const std::string& text, std::size_t block, std::size_t keepLimit) {
    MetaTagScanner scanner(keepLimit);
    for (std::size_t at = 0; at < text.size(); at += block)
        scanner.feed(std::string_view(text).substr(at, block));
    Tags tags;
    for (const MetaTag& tag : scanner.finish()) {
        tags.push_back(text.substr(tag.offset, tag.length));
        EXPECT_EQ(tag.text, tag.length <= keepLimit ? tags.back() : "") << tag.offset;
    }
    return tags;
}

// The tags of a text must not depend on how it is cut into pieces, on the keep
// limit, or on whether it comes from a file.
Tags scanEveryWay(const std::string& text) {
    const Tags whole = ScanMetaTags(text);
    for (std::size_t block : {1, 2, 3, 5, 7, 64})
        for (std::size_t keep :
             {std::size_t{6}, std::size_t{8}, std::size_t{13}, MetaTagScanner::kUnlimited})
            EXPECT_EQ(inBlocks(text, block, keep), whole) << "block " << block << " keep " << keep;
    test::TempDir dir;
    const std::string path = dir.write("page.html", text);
    EXPECT_EQ(ReadMetaTags(path), whole);
    EXPECT_EQ(ReadMetaTags(path, 7), whole);
    return whole;
}

struct Case {
    const char* name;
    std::string text;
    Tags expected;
};

class MetaTagCases : public ::testing::TestWithParam<Case> {};
// A case prints as its row's name.
void PrintTo(const Case& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(MetaTagCases, FindsExactlyTheseTags) {
    EXPECT_EQ(scanEveryWay(GetParam().text), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Scan, MetaTagCases, ::testing::Values(
    Case{"EmptyFile", "", {}},
    Case{"PageWithoutTags", "<html><head><title>x</title></head></html>", {}},
    Case{"AnyLetterCaseKept", "<mEtA charset=\"utf-8\"><HEAD><META NAME=\"KEYWORDS\" CONTENT=\"Mill\"></HEAD>",
         {"<mEtA charset=\"utf-8\">", "<META NAME=\"KEYWORDS\" CONTENT=\"Mill\">"}},
    Case{"TwoTagsOnOneLine", "<meta a=\"1\"><meta b=\"2\">\n", {"<meta a=\"1\">", "<meta b=\"2\">"}},
    Case{"SpansThreeLines", "x<meta name=\"d\"\n content=\"e\"\r\n lang=\"en\">y",
         {"<meta name=\"d\"\n content=\"e\"\r\n lang=\"en\">"}},
    Case{"CrLfLines", "<meta a>\r\n<meta b>\r\n", {"<meta a>", "<meta b>"}},
    Case{"FileEndsWithTheTag", "<p><meta a=\"1\">", {"<meta a=\"1\">"}},
    Case{"GtInsideAttributeEndsTheTag", "<meta content=\"a>b\">", {"<meta content=\"a>"}},
    Case{"UnterminatedLastTagDropped", "<meta a=\"1\">\n<meta b=\"2\"\n", {"<meta a=\"1\">"}},
    Case{"NameNeedsOneSpaceAfterIt", "<meta><meta\ta><meta\r\nb><metadata c>< meta d>", {}},
    Case{"TwoSpacesKept", "<meta  a>", {"<meta  a>"}},
    Case{"AngleRightBeforeTheKey", "<<meta a>", {"<meta a>"}},
    Case{"BrokenKeyThenTag", "<me<meta a><met", {"<meta a>"}},
    Case{"StartInsideATagIsPartOfIt", "<meta <meta a> b>", {"<meta <meta a>"}},
    Case{"GtBeforeTheTagIgnored", "a > b <meta c>", {"<meta c>"}},
    Case{"TagInCommentListed", "<!-- <meta a> -->", {"<meta a>"}},
    Case{"BinaryBytes", "\0\xff<meta \x01\x80\0\xfe>\xfe"s, {"<meta \x01\x80\0\xfe>"s}},
    Case{"Utf8Kept", "<meta content=\"été\">", {"<meta content=\"été\">"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Tags across the reader's block borders at every alignment; tags longer than
// the keep limit read back from the file.
TEST(ReadMetaTags, FindsEveryTagWhateverTheSize) {
    std::string text;
    for (int shift = 0; shift < 12; ++shift) {
        text.resize((shift + 1) * 65536 - shift, '.');
        text += "<mEta n=\"" + std::to_string(shift) + "\">";
    }
    const Tags tags = scanEveryWay(text);
    ASSERT_EQ(tags.size(), 12u);
    EXPECT_EQ(tags[11], "<mEta n=\"11\">");

    test::TempDir dir;
    const std::string body(3 << 20, 'x');
    const std::string path = dir.write("long.html", "<p><meta " + body + ">\n<meta b>");
    EXPECT_EQ(ReadMetaTags(path), (Tags{"<meta " + body + ">", "<meta b>"}));
    EXPECT_EQ(ReadMetaTags(dir.write("open.html", "<meta a><meta " + body)), Tags{"<meta a>"});
}

// The reason the window shows; empty when the page was read.
std::string failureOf(const std::string& path) {
    try {
        ReadMetaTags(path);
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), path);
        return e.reason();
    }
    return "";
}

// Which paths the viewer takes as pages, and why it cannot read the others.
TEST(ReadMetaTags, EachKindOfPath) {
    test::TempDir dir;
    const std::string page = dir.write("page.html", "<meta a>"), link = dir.file("link.html");
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::symlink(page.c_str(), link.c_str()), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    constexpr auto none = std::nullopt;
    // clang-format off
    const std::tuple<std::string, std::optional<std::int64_t>, std::string> cases[] = {
        {page, 8, ""}, {link, 8, ""}, {dir.write("empty.html", ""), 0, ""},
        {dir.write(".hidden.html", "x"), none, ""},
        {dir.file("missing.html"), none, "cannot open: No such file or directory"},
        {dir.path(), none, "not an ordinary file"},
        {fifo, none, "not an ordinary file"}};  // and reading it does not hang
    // clang-format on
    for (const auto& [path, size, reason] : cases) {
        EXPECT_EQ(FindOrdinaryFile(path), size) << path;
        EXPECT_EQ(failureOf(path), reason) << path;
    }
    if (::access("/proc/self/mem", F_OK) == 0) {
        EXPECT_EQ(failureOf("/proc/self/mem"), "cannot read: Input/output error");
    }
}

}  // namespace
}  // namespace lexmill
