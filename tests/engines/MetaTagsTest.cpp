#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "FileError.h"
#include "MetaTags.h"
#include "TempDir.h"
#include "Unprivileged.h"

namespace lexmill {
namespace {

using namespace std::string_literals;
using Tags = std::vector<std::string>;

// Feeds the text in blocks of `block` bytes, then takes each tag the scanner
// did not keep from the text by its offset, as a file reader does.
Tags inBlocks(const std::string& text, std::size_t block, std::size_t keepLimit) {
    MetaTagScanner scanner(keepLimit);
    for (std::size_t at = 0; at < text.size(); at += block)
        scanner.feed(std::string_view(text).substr(at, std::min(block, text.size() - at)));
    Tags tags;
    for (const MetaTag& tag : scanner.finish()) {
        EXPECT_EQ(tag.kept(), tag.length <= keepLimit) << tag.offset;
        const std::string atOffset = text.substr(tag.offset, tag.length);
        if (tag.kept()) {
            EXPECT_EQ(tag.text, atOffset);
        }
        tags.push_back(atOffset);
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

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class MetaTagCases : public ::testing::TestWithParam<Case> {};

TEST_P(MetaTagCases, FindsExactlyTheseTags) {
    EXPECT_EQ(scanEveryWay(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scan, MetaTagCases,
    ::testing::Values(
        Case{"EmptyFile", "", {}},
        Case{"PageWithoutTags", "<html><head><title>x</title></head></html>", {}},
        Case{"OneTag",
             "<head><meta name=\"a\" content=\"b\"></head>",
             {"<meta name=\"a\" content=\"b\">"}},
        Case{"CapitalsKept",
             "<HEAD><META NAME=\"KEYWORDS\" CONTENT=\"Mill\"></HEAD>",
             {"<META NAME=\"KEYWORDS\" CONTENT=\"Mill\">"}},
        Case{"AnyLetterCase", "<mEtA charset=\"utf-8\">", {"<mEtA charset=\"utf-8\">"}},
        Case{"TwoTagsOnOneLine",
             "<meta a=\"1\"><meta b=\"2\">\n",
             {"<meta a=\"1\">", "<meta b=\"2\">"}},
        Case{"SpansThreeLines",
             "x<meta name=\"d\"\n  content=\"e\"\n  lang=\"en\">y",
             {"<meta name=\"d\"\n  content=\"e\"\n  lang=\"en\">"}},
        Case{"SpansThreeLinesCrLf",
             "<meta name=\"d\"\r\n content=\"e\"\r\n>\r\n",
             {"<meta name=\"d\"\r\n content=\"e\"\r\n>"}},
        Case{"CrLfLines", "<meta a>\r\n<meta b>\r\n", {"<meta a>", "<meta b>"}},
        Case{"FileEndsWithTheTag", "<p><meta a=\"1\">", {"<meta a=\"1\">"}},
        Case{"GtInsideAttributeEndsTheTag", "<meta content=\"a>b\">", {"<meta content=\"a>"}},
        Case{"UnterminatedLastTagDropped", "<meta a=\"1\">\n<meta b=\"2\"\n", {"<meta a=\"1\">"}},
        Case{"NameDirectlyFollowedByGt", "<meta>", {}},
        Case{"NameFollowedByTab", "<meta\tname=\"a\">", {}},
        Case{"NameFollowedByLineBreak", "<meta\r\nname=\"a\">", {}},
        Case{"LongerTagName", "<metadata name=\"a\">", {}},
        Case{"SpaceBeforeName", "< meta name=\"a\">", {}},
        Case{"TwoSpacesKept", "<meta  a>", {"<meta  a>"}},
        Case{"AngleRightBeforeTheKey", "<<meta a>", {"<meta a>"}},
        Case{"BrokenKeyThenTag", "<me<meta a><met", {"<meta a>"}},
        Case{"StartInsideATagIsPartOfIt", "<meta <meta a> b>", {"<meta <meta a>"}},
        Case{"GtBeforeTheTagIgnored", "a > b <meta c>", {"<meta c>"}},
        Case{"TagInCommentListed", "<!-- <meta a> -->", {"<meta a>"}},
        Case{"BinaryBytes", "\0\xff<meta \x01\x80\0\xfe>\xfe"s, {"<meta \x01\x80\0\xfe>"s}},
        Case{"Utf8Kept", "<meta content=\"été\">", {"<meta content=\"été\">"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The scan as the page buffer is meant to be worked: lower-case copy, find
// "<meta ", cut the front off, find ">", list, cut again.
Tags cutFromTheFront(std::string buffer) {
    Tags tags;
    for (;;) {
        std::string lower = buffer;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const auto at = lower.find("<meta ");
        if (at == std::string::npos) return tags;
        buffer.erase(0, at);
        const auto gt = buffer.find('>');
        if (gt == std::string::npos) return tags;
        tags.push_back(buffer.substr(0, gt + 1));
        buffer.erase(0, gt + 1);
    }
}

TEST(MetaTagScanner, AgreesWithCuttingTheBufferOnRandomTexts) {
    std::mt19937 random(6);
    const std::vector<std::string> pieces = {"<",   "<meta ", "<META ", "<mEtA\t",
                                             "<me", "ta ",    ">",      "\r\n",
                                             "\n",  "x",      " ",      "<metadata "};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (auto n = random() % 12; n > 0; --n) text += pieces[random() % pieces.size()];
        const Tags expected = cutFromTheFront(text);
        ASSERT_EQ(ScanMetaTags(text), expected) << text;
        for (std::size_t block : {1, 4})
            for (std::size_t keep : {std::size_t{7}, MetaTagScanner::kUnlimited})
                ASSERT_EQ(inBlocks(text, block, keep), expected) << text;
    }
}

// Tags laid across the reader's block borders at every alignment.
TEST(ReadMetaTags, TagsAcrossBlockBordersAreFoundOnce) {
    std::string text;
    for (int shift = 0; shift < 12; ++shift) {
        text.resize((shift + 1) * 65536 - shift, '.');
        text += "<mEta n=\"" + std::to_string(shift) + "\">";
    }
    const Tags tags = scanEveryWay(text);
    ASSERT_EQ(tags.size(), 12u);
    EXPECT_EQ(tags[11], "<mEta n=\"11\">");
}

TEST(ReadMetaTags, HugeFileIsScannedToTheEnd) {
    test::TempDir dir;
    const std::string path = dir.write("huge.html", "<meta first>");
    std::filesystem::resize_file(path, (std::uintmax_t{300} << 20));  // a hole of zeros
    std::ofstream(path, std::ios::binary | std::ios::app) << "<META last\r\n>";
    EXPECT_EQ(ReadMetaTags(path), (Tags{"<meta first>", "<META last\r\n>"}));
}

TEST(ReadMetaTags, TagLongerThanTheKeepLimitIsReadBack) {
    test::TempDir dir;
    const std::string body(3 << 20, 'x');
    const std::string path = dir.write("long.html", "<p><meta " + body + ">\n<meta b>");
    EXPECT_EQ(ReadMetaTags(path), (Tags{"<meta " + body + ">", "<meta b>"}));
    const std::string open = dir.write("open.html", "<meta a><meta " + body);
    EXPECT_EQ(ReadMetaTags(open), Tags{"<meta a>"});
}

// The reason the window shows, for failures root cannot get around.
std::string failureOf(const std::string& path) {
    try {
        ReadMetaTags(path);
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), path);
        return e.reason();
    }
    return "no failure";
}

TEST(ReadMetaTags, Failures) {
    test::TempDir dir;
    EXPECT_EQ(failureOf(dir.file("missing.html")), "cannot open: No such file or directory");
    EXPECT_EQ(failureOf(dir.path()), "not an ordinary file");
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(failureOf(fifo), "not an ordinary file");  // and does not hang
    if (::access("/proc/self/mem", F_OK) == 0) {
        EXPECT_EQ(failureOf("/proc/self/mem"), "cannot read: Input/output error");
    }
}

TEST(ReadMetaTags, UnreadableFileSaysPermissionDenied) {
    test::TempDir dir;
    const std::string path = dir.write("locked.html", "<meta a>");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const auto reason = test::runUnprivileged([&] { return failureOf(path); });
    if (!reason) GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_EQ(*reason, "cannot open: Permission denied");
}

TEST(FindOrdinaryFile, OnlyVisibleOrdinaryFilesAreFound) {
    test::TempDir dir;
    const std::string page = dir.write("page.html", "12345");
    EXPECT_EQ(FindOrdinaryFile(page), 5);
    EXPECT_EQ(FindOrdinaryFile(dir.write("empty.html", "")), 0);
    EXPECT_EQ(FindOrdinaryFile(dir.file("missing.html")), std::nullopt);
    EXPECT_EQ(FindOrdinaryFile(dir.path()), std::nullopt);
    EXPECT_EQ(FindOrdinaryFile(dir.write(".hidden.html", "x")), std::nullopt);
    const std::string link = dir.file("link.html");
    ASSERT_EQ(::symlink(page.c_str(), link.c_str()), 0);
    EXPECT_EQ(FindOrdinaryFile(link), 5);
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FindOrdinaryFile(fifo), std::nullopt);
}

}  // namespace
}  // namespace lexmill
