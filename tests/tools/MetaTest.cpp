// The meta tag viewer and its command, with real pages in a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "QtPrinters.h"
#include "ScriptedMessageBoxes.h"
#include "TempDir.h"
#include "batch/Module1.h"
#include "frmMeta.h"
#include "frmMetaCommand.h"

using namespace lexmill;

// The selection goes into the boxes exactly as it is in the list, line breaks
// inside a tag included; without a selection the buttons do nothing.
TEST(frmMeta, InsertsTheSelectionExactly) {
    const std::string two = "<meta a>\r\n<meta b>\r\n";
    const std::string wide = "<meta \xF0\x9F\x98\x80\r\nx>\r\n<meta y>\r\n";
    const std::string latin = "<meta caf\xE9 \xC3(>\r\n<meta \xFF>";  // not UTF-8
    // clang-format off
    const std::tuple<std::string, int, int, std::string> rows[] = {
        {two, 0, 0, ""}, {two, 0, 9, "<meta a>\r\n"}, {two, 9, 17, "<meta b>"},
        {"<meta a\n b>\r\n", 0, 11, "<meta a\n b>"}, {"<meta a\r b>\r\n", 0, 11, "<meta a\r b>"},
        {"<meta a\r\r\n b>\r\n", 0, 12, "<meta a\r\r\n b>"}, {wide, 12, 20, "<meta y>"},
        {wide, 6, 11, "\xF0\x9F\x98\x80\r\nx>"}, {latin, 6, 14, "caf\xE9 \xC3(>"},
        {latin, 15, 23, "<meta \xFF>"}, {"<meta \u2029x>\r\n<meta y>", 0, 9, "<meta \u2029x>"}};
    // clang-format on
    for (const auto& [list, from, to, selected] : rows) {
        std::string got;  // search box, then replace box
        frmMeta viewer([&](const std::string& text) { got += text + "|"; },
                       [&](const std::string& text) { got += text; });
        viewer.setListText(list);
        auto* text = viewer.findChild<QPlainTextEdit*>("Text1");
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        for (const char* button : {"Command2", "Command3"})
            viewer.findChild<QPushButton*>(button)->click();
        EXPECT_EQ(got, selected.empty() ? "" : selected + "|" + selected);
    }
}

// A message box, or the viewer with the tags, from which a selection goes into
// the main window's box while it is open; pointer and Start come back.
TEST(frmMeta, CommandShowsTheTagsOrSaysWhy) {
    test::TempDir dir;
    const std::string page =
        dir.write("My Page <b>.html",
                  "<HEAD><META NAME=\"K\"\r\n CONTENT=\"M\xE9\"><meta d=\"a>b\">\r\n<meta tail");
    const std::pair<std::vector<std::string>, QString> rows[] = {
        {{page, page}, "Too Many Files Selected: Please only select one file for this operation."},
        {{}, "No File Selected: Please select a file for this operation."},
        {{"/proc/self/mem"},
         "Error: The file could not be read:\n/proc/self/mem\n\ncannot read: Input/output error"},
        {{dir.write("none.html", "<html>hi</html>")},
         "Meta tags found in <path>: No meta tags found in file."},
        {{page},
         "Meta tags found in <path>: <META NAME=\"K\"\r\n CONTENT=\"M\xE9\">\r\n<meta d=\"a>\r\n"}};
    for (const auto& [paths, shown] : rows) {
        QWidget main;
        QPushButton start(&main);
        std::string search;
        ScriptedMessageBoxes boxes;
        Module1 m;
        m.SelCount = int(paths.size());
        m.SelPaths = paths;
        QString seen;
        QTimer::singleShot(0, &main, [&] {
            auto* viewer = qobject_cast<frmMeta*>(QApplication::activeModalWidget());
            seen = viewer->windowTitle() + ": " + QString::fromStdString(viewer->listText());
            viewer->findChild<QPlainTextEdit*>("Text1")->selectAll();
            viewer->findChild<QPushButton*>("Command2")->click();
            seen += search == viewer->listText() ? "" : "(not inserted)";
            viewer->findChild<QPushButton*>("Command1")->click();
        });
        RunMetaTagExtractor(&main, m, &start, [&](const std::string& text) { search = text; }, {});
        for (const MessageRequest& box : boxes.calls()) seen += box.title + ": " + box.text;
        EXPECT_EQ(seen, QString(shown).replace(
                            "<path>", QString::fromStdString(paths.empty() ? "" : paths[0])));
        EXPECT_TRUE(start.isEnabled() && !QApplication::overrideCursor());
    }
}
