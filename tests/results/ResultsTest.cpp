// The progress bar on real status bars; the results window on a real file list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "CProgressBarEx.h"
#include "FileListBox.h"
#include "Form3.h"
#include "ProgressProperty.h"
#include "QtPrinters.h"
#include "ScriptedMessageBoxes.h"

using namespace lexmill;

namespace {

// A window like those that host the bar: three status panels, the third keyed
// "pnlProgress", and the hidden picture box the bar draws into.
struct Host : QMainWindow {
    explicit Host(int panelWidth = 284, int barHeight = 24) {
        setStatusBar(bar);
        bar->setFixedHeight(barHeight);
        for (auto [key, width] : {std::pair{"", 100}, {"", 60}, {"pnlProgress", panelWidth}})
            bar->addWidget(panel = new StatusPanel(key, width, bar));
        panel->setText("3 file(s) selected.");
        resize(panelWidth + 300, 200);
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
    }
    // The panel's 20 blocks (pitch 14): '#' in the fore colour, '.' in the back colour.
    QString blocks(const CProgressBarEx* bar) const {
        const QImage image = panel->Picture().toImage();
        QString s;
        for (int i = 0; i < 20; ++i) {
            const QColor c = image.pixelColor(CProgressBarEx::margin + i * 14 + 5, 10);
            s += c == bar->ForeColor() ? '#' : c == bar->BackColor() ? '.' : '?';
        }
        return s;
    }
    QStatusBar* bar = new QStatusBar(this);
    StatusPanel* panel = nullptr;
    PictureBox* picture = new PictureBox(this);
};

QPushButton* Command(const Form3& form, int n) {
    return form.findChild<QPushButton*>(QString("Command%1").arg(n));
}

}  // namespace

// Blocks filled to the nearest, halves to even (25, 125, 975 of 1000), on 64-bit
// scales; the value kept within 0..scale; a scale not above 0 ignored; as many
// blocks as fit the panel best (14n + 3 pixels, the smaller count on a tie),
// none in a status bar too low for them.
TEST(CProgressBarEx, FillsTheNearestNumberOfBlocks) {
    constexpr qint64 big = INT64_MAX;
    // Panel width, status bar height, scale, value, the value kept, blocks, filled.
    // clang-format off
    const std::array<qint64, 7> rows[] = {
        {284, 24, 1000, 24, 24, 20, 0},   {284, 24, 1000, 25, 25, 20, 0},
        {284, 24, 1000, 26, 26, 20, 1},   {284, 24, 1000, 125, 125, 20, 2},
        {284, 24, 1000, 175, 175, 20, 4}, {284, 24, 1000, 975, 975, 20, 20},
        {284, 24, 100, 150, 100, 20, 20}, {284, 24, 100, -3, 0, 20, 0},
        {284, 24, -7, 50, 50, 20, 10},    {284, 24, big, big / 2, big / 2, 20, 10},
        {284, 24, big, big, big, 20, 20}, {427, 24, 3300000000, 2200000000, 2200000000, 30, 20},
        {224, 24, 100, 50, 50, 15, 8},    {226, 24, 100, 50, 50, 16, 8},
        {220, 24, 100, 50, 50, 15, 8},    {284, 6, 100, 100, 100, 0, 0}};
    // clang-format on
    for (const auto& [width, height, scale, value, kept, blocks, filled] : rows) {
        Host host{int(width), int(height)};
        ProgressProperty progress(host.picture, host.bar);
        progress.set(value, scale);
        const CProgressBarEx* bar = progress.bar();
        EXPECT_EQ(std::tuple(bar->Value(), bar->blockCount(), bar->lastFilled()),
                  std::tuple(kept, int(blocks), int(filled)))
            << value << " of " << scale << ", panel " << width << "x" << height;
    }
}

// The bar, the panel's text when the run is over, and the bar again at the same
// place for a scale of 0 (every file empty), which keeps the previous scale.
TEST(ProgressProperty, ShowsARunThenThePanelText) {
    Host host;
    ProgressProperty progress(host.picture, host.bar);
    progress.set(0, 0);  // made at the first write; 0 keeps the text
    EXPECT_FALSE(host.panel->hasPicture());
    progress.set(500, 1000);
    EXPECT_EQ(host.blocks(progress.bar()), "##########..........");
    progress.set(0, 1000);
    EXPECT_FALSE(host.panel->hasPicture());
    EXPECT_EQ(host.panel->Text(), "3 file(s) selected.");
    progress.set(500, 0);
    EXPECT_EQ(host.blocks(progress.bar()), "##########..........");
}

// Rows: names, the one selected (-1: none), Copy and View enabled. Copy puts
// each name with CR LF on the clipboard; Done closes; heading and summary show as given.
TEST(Form3, ShowsWhatItIsGiven) {
    const std::tuple<QStringList, int, bool, bool> rows[] = {
        {{}, -1, true, false},        // a replace run that changed nothing
        {{"None"}, 0, false, false},  // a "Search Only" run that found nothing
        {{"a.txt", "Ä b.htm"}, -1, true, false},
        {{"a.txt", "None"}, 1, true, true}};  // "None" only counts as the first item
    for (const auto& [names, selected, copy, view] : rows) {
        Form3 form(nullptr, "");
        form.setHeading("<b>x</b>:");
        form.setSummary("2 & <i>3</i>");
        for (const QString& name : names) form.addResult(name);
        if (selected >= 0) form.findChild<QListWidget*>("List1")->item(selected)->setSelected(true);
        form.show();
        EXPECT_EQ(std::pair(Command(form, 2)->isEnabled(), Command(form, 3)->isEnabled()),
                  std::pair(copy, view));
        QGuiApplication::clipboard()->setText("before");
        Command(form, 2)->click();
        const QString lines = names.isEmpty() ? "" : names.join("\r\n") + "\r\n";
        EXPECT_EQ(QGuiApplication::clipboard()->text(), copy ? lines : "before");
        const auto *heading = form.findChild<QLabel*>("Label1"),
                   *summary = form.findChild<QLabel*>("Label2");
        EXPECT_EQ(heading->text() + summary->text(), "<b>x</b>:2 & <i>3</i>");
        EXPECT_TRUE(heading->textFormat() == Qt::PlainText &&
                    summary->textFormat() == Qt::PlainText);
        Command(form, 1)->click();
        EXPECT_FALSE(form.isVisible());
    }
}

// View opens the selected file of the file list's folder in the editor ("touch"
// stands in: it makes exactly the file it is given) or says there is none.
// Select All selects the listed files, an exact name before one in another
// case, skips names not listed (and "None"), and drops an earlier selection.
TEST(Form3, ViewAndSelectAllWorkOnTheFileList) {
    QTemporaryDir work;
    for (const char* name : {"a.txt", "B.TXT", "c.txt", "d.txt", "Report.txt", "report.txt"})
        QFile(work.filePath(name)).open(QIODevice::WriteOnly);
    FileListBox fileList;
    ASSERT_TRUE(fileList.setPath(work.path()));
    ScriptedMessageBoxes boxes;
    for (const QString editor : {"/usr/bin/touch", ""}) {
        Form3 form(&fileList, editor);
        form.addResult("my notes; $(x).txt");
        form.findChild<QListWidget*>("List1")->item(0)->setSelected(true);
        Command(form, 3)->click();
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(work.filePath("my notes; $(x).txt")); }, 10000));
    EXPECT_EQ(QDir(work.path()).count(), 2u + 7);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().title == "Error" &&
                boxes.last().text.contains(work.filePath("my notes; $(x).txt")));

    const std::pair<QStringList, QStringList> rows[] = {
        {{"c.txt", "A.TXT", "b.txt", "renamed.txt"}, {"a.txt", "B.TXT", "c.txt"}},
        {{"report.txt"}, {"report.txt"}},
        {{"None"}, {}}};
    for (const auto& [listed, selected] : rows) {
        fileList.item(fileList.FindExact("d.txt"))->setSelected(true);
        Form3 form(&fileList, "");
        for (const QString& name : listed) form.addResult(name);
        Command(form, 4)->click();
        EXPECT_EQ(fileList.SelectedNames(), selected);
        EXPECT_FALSE(QApplication::overrideCursor());  // the hourglass is gone again
    }

    // Names kept as bytes: two that show alike ("x\uFFFD.txt") are told apart.
    const std::string folder = QFile::encodeName(work.path()).toStdString() + "/";
    for (const char* name : {"x\xE8.txt", "x\xE9.txt"}) std::ofstream(folder + name) << "";
    fileList.Refresh();
    Form3 form(&fileList, "/usr/bin/touch");
    for (const char* name : {"new\xE9.txt", "x\xE9.txt"}) form.addLocalResult(name);
    form.findChild<QListWidget*>("List1")->item(0)->setSelected(true);
    Command(form, 3)->click();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ::access((folder + "new\xE9.txt").c_str(), 0) == 0; }));
    Command(form, 4)->click();
    EXPECT_EQ(fileList.SelectedLocalNames(), std::vector<std::string>{"x\xE9.txt"});
}
