// The segmented progress bar: its arithmetic, its errors and what it paints
// into the status panel, on real widgets.
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <array>
#include <limits>
#include <memory>

#include "CProgressBarEx.h"
#include "ProgressProperty.h"

using namespace lexmill;

namespace {

// A window like the ones that host the bar: three status panels, the third
// keyed "pnlProgress", and the hidden picture box the bar draws into.
// The default panel of 284 pixels in a bar 24 high gives pictures 20 high
// and 20 blocks of pitch 14.
struct Host {
    QMainWindow window;
    QStatusBar* bar = new QStatusBar(&window);
    StatusPanel* panel;
    PictureBox* picture = new PictureBox(&window);

    explicit Host(int panelWidth = 284, int barHeight = 24) {
        bar->setSizeGripEnabled(false);
        bar->setFixedHeight(barHeight);
        window.setStatusBar(bar);
        bar->addWidget(new StatusPanel(QString(), 100, bar));
        bar->addWidget(new StatusPanel(QString(), 60, bar));
        panel = new StatusPanel(QStringLiteral("pnlProgress"), panelWidth, bar);
        panel->setText(QStringLiteral("3 file(s) selected."));
        bar->addWidget(panel);
        window.resize(panelWidth + 300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // Created as the windows' Progress property does it.
    std::unique_ptr<CProgressBarEx> makeBar(std::int64_t max = 1000, std::int64_t value = 0) {
        auto progress = std::make_unique<CProgressBarEx>();
        progress->setClient(picture);
        progress->setHost(bar);
        progress->setPanelKey(QStringLiteral("pnlProgress"));
        progress->ResizeEx();
        if (max != 100) progress->setMax(max);
        if (value != 0) progress->setValue(value);
        return progress;
    }

    // The colour in the middle of block `index` of the panel's picture.
    QColor block(int index) const {
        return panel->Picture().toImage().pixelColor(CProgressBarEx::margin + index * 14 + 5, 10);
    }
};

template <typename Set>
void ExpectError(Set&& set, std::uint32_t number, const char* source, const char* description) {
    try {
        set();
        QFAIL("no error");
    } catch (const ProgressBarError& e) {
        QCOMPARE(e.number(), number);
        QCOMPARE(e.source(), QString::fromLatin1(source));
        QCOMPARE(e.description(), QString::fromLatin1(description));
    }
}

}  // namespace

class ProgressBarTest : public QObject {
    Q_OBJECT
  private slots:
    void roundsHalvesToEvenOn64BitScales();
    void scaleRulesAndErrors();
    void layoutFollowsThePictureAndThePanel();
    void paintsBlocksAndRepaintsOnEveryChange();
    void textOnlyShowsThePanelTextAndBack();
    void progressPropertyDrivesTheBarThroughARun();
};

void ProgressBarTest::roundsHalvesToEvenOn64BitScales() {
    constexpr qint64 big = std::numeric_limits<qint64>::max();
    constexpr qint64 small = std::numeric_limits<qint64>::min();
    // Value, Min, Max, block count, filled blocks; 25, 75, 125 and 975 of
    // 1000 are halves.
    const std::array<qint64, 5> rows[] = {
        {24, 0, 1000, 20, 0},      {25, 0, 1000, 20, 0},
        {26, 0, 1000, 20, 1},      {75, 0, 1000, 20, 2},
        {125, 0, 1000, 20, 2},     {175, 0, 1000, 20, 4},
        {975, 0, 1000, 20, 20},    {15, 10, 20, 4, 2},
        {-5, -10, 10, 20, 5},      {150, 0, 100, 20, 20},
        {-3, 0, 100, 20, 0},       {0, small, big, 20, 10},
        {big, small, big, 20, 20}, {2200000000, 0, 3300000000, 30, 20}};
    for (const auto& [value, min, max, blocks, filled] : rows)
        QCOMPARE(QString::number(value) + ": " +
                     QString::number(CProgressBarEx::FilledBlocks(value, min, max, int(blocks))),
                 QString::number(value) + ": " + QString::number(filled));
}

void ProgressBarTest::scaleRulesAndErrors() {
    Host host;
    auto progress = host.makeBar(100);  // a new bar
    QCOMPARE(progress->Max(), 100);
    QCOMPARE(progress->Min(), 0);
    QCOMPARE(progress->Value(), 0);
    QVERIFY(!progress->TextOnly());
    QVERIFY(!host.panel->hasPicture());  // nothing drawn yet
    QCOMPARE(progress->ForeColor(), QGuiApplication::palette().highlight().color());
    QCOMPARE(progress->BackColor(), QGuiApplication::palette().button().color());
    // The picture box stays out of sight and out of the tab chain.
    QVERIFY(!host.picture->isVisible() && !host.picture->isEnabled());
    QCOMPARE(host.picture->focusPolicy(), Qt::NoFocus);

    progress->setValue(150);
    QCOMPARE(progress->Value(), 100);
    for (qint64 max : {0, 10, -7}) {  // Max not above Min is ignored
        progress->setMin(10);
        progress->setMax(max);
        QCOMPARE(progress->Max(), 100);
    }
    progress->setValue(-5);
    QCOMPARE(progress->Value(), 10);
    for (qint64 min : {qint64(100), qint64(101), std::numeric_limits<qint64>::max()}) {
        ExpectError([&] { progress->setMin(min); }, 0x80040002, "CProgressBar.Min",
                    "Min property must be less than Max.");
        QCOMPARE(progress->Min(), 10);
    }

    QLabel label;
    ExpectError([&] { progress->setClient(&label); }, 13, "CProgressBarEx.Client",
                "Client property must be of type PictureBox.");
    ExpectError([&] { progress->setClient(nullptr); }, 13, "CProgressBarEx.Client",
                "Client property must be of type PictureBox.");
    ExpectError([&] { progress->setHost(host.panel); }, 13, "CProgressBarEx.Host",
                "Host property must be of type StatusBar.");
    QCOMPARE(progress->Client(), host.picture);  // the previous references stay
    QCOMPARE(progress->Host(), host.bar);
}

void ProgressBarTest::layoutFollowsThePictureAndThePanel() {
    // Without a host the picture box keeps its height and gets the bar's width.
    for (const auto& [height, blockHeight, blockWidth] : {std::array{20, 16, 11},  // 10.67
                                                          std::array{18, 14, 9},   // 9.33
                                                          std::array{5, 1, 1}}) {
        PictureBox picture;
        picture.resize(200, height);
        CProgressBarEx progress;
        progress.setClient(&picture);
        QCOMPARE(progress.blockHeight(), blockHeight);
        QCOMPARE(progress.blockWidth(), blockWidth);
        QCOMPARE(picture.height(), height);
        QCOMPARE(picture.width(), progress.blockCount() * (blockWidth + 3) + 3);
    }
    // In a panel the picture is 4 pixels narrower, so n blocks take 14n + 3:
    // the nearer of the two counts wins, the smaller on a tie.
    for (const auto& [panelWidth, blocks] : {std::array{224, 15},  // 220: 7 vs 7
                                             std::array{226, 16},  // 222: 9 vs 5
                                             std::array{220, 15},  // 216: 3 vs 11
                                             std::array{284, 20}}) {
        Host host(panelWidth);
        auto progress = host.makeBar();
        QCOMPARE(host.picture->height(), 20);
        QCOMPARE(progress->blockCount(), blocks);
        QCOMPARE(host.picture->width(), 14 * blocks + 3);
    }
    Host low(284, 6);  // a status bar too low for blocks draws none
    auto progress = low.makeBar(100, 100);
    progress->setTextOnly(false);
    QCOMPARE(progress->blockCount(), 0);
    QCOMPARE(progress->lastFilled(), 0);
}

void ProgressBarTest::paintsBlocksAndRepaintsOnEveryChange() {
    Host host;
    auto progress = host.makeBar();
    progress->setForeColor(Qt::red);
    progress->setBackColor(Qt::white);
    progress->setValue(500);

    // In the picture: 10 red blocks of 12 columns (both corners included), then white.
    const QImage image = host.panel->Picture().toImage();
    QCOMPARE(image.size(), QSize(283, 20));
    for (int i = 0; i < 20; ++i) QCOMPARE(host.block(i), QColor(i < 10 ? Qt::red : Qt::white));
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::red));            // first block's corner
    QCOMPARE(image.pixelColor(2 + 11, 2 + 15), QColor(Qt::red));  // its opposite corner
    QCOMPARE(image.pixelColor(2 + 12, 10), QColor(Qt::white));    // the gap after it
    QCOMPARE(image.pixelColor(2, 1), QColor(Qt::white));          // the top margin
    QCOMPARE(image.pixelColor(2, 18), QColor(Qt::white));         // the bottom margin
    // And on the screen: the panel shows the picture 2 pixels in.
    const QImage shown = host.panel->grab().toImage();
    const int top = (host.panel->height() - 20) / 2;
    QCOMPARE(shown.pixelColor(2 + 2 + 5, top + 10), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(2 + 2 + 15 * 14 + 5, top + 10), QColor(Qt::white));

    // Colours and scale show at once, though the value stays the same.
    progress->setForeColor(Qt::blue);
    QCOMPARE(host.block(0), QColor(Qt::blue));
    progress->setBackColor(Qt::green);
    QCOMPARE(host.block(19), QColor(Qt::green));
    progress->setMax(2000);
    QCOMPARE(progress->lastFilled(), 5);
    QCOMPARE(host.block(4), QColor(Qt::blue));
    QCOMPARE(host.block(5), QColor(Qt::green));
    progress->setMin(250);  // (500 - 250) / (2000 - 250) of 20 = 2.86
    QCOMPARE(progress->lastFilled(), 3);
}

void ProgressBarTest::textOnlyShowsThePanelTextAndBack() {
    Host host;
    auto progress = host.makeBar(1000, 500);
    progress->setForeColor(Qt::red);
    progress->setTextOnly(true);
    QVERIFY(!host.panel->hasPicture());
    progress->setValue(900);  // hidden bars draw nothing
    QVERIFY(!host.panel->hasPicture());
    const QImage shown = host.panel->grab().toImage();
    for (int x = 0; x < shown.width(); ++x)
        QVERIFY(shown.pixelColor(x, shown.height() / 2) != QColor(Qt::red));
    QCOMPARE(host.panel->Text(), QStringLiteral("3 file(s) selected."));

    // Back with the same number of filled blocks as last drawn: the bar still comes back.
    progress->setValue(500);
    progress->setTextOnly(false);
    QVERIFY(host.panel->hasPicture());
    QCOMPARE(host.block(9), QColor(Qt::red));
    QCOMPARE(host.block(10), QGuiApplication::palette().button().color());
}

void ProgressBarTest::progressPropertyDrivesTheBarThroughARun() {
    Host host;
    ProgressProperty progress(host.picture, host.bar);
    QVERIFY(!progress.bar());
    progress.set(0, 0);  // made at the first write; 0 keeps the text
    QVERIFY(progress.bar() && progress.bar()->TextOnly());
    QVERIFY(!host.panel->hasPicture());

    // A run over 1000 bytes, reported byte by byte: the panel gets a new
    // picture once for the empty bar and once per block, never in between.
    int pictures = 0;
    qint64 shownKey = 0;
    for (qint64 value = 1; value <= 1000; ++value) {
        progress.set(value, 1000);
        if (host.panel->Picture().cacheKey() != shownKey) {
            shownKey = host.panel->Picture().cacheKey();
            ++pictures;
        }
    }
    QCOMPARE(pictures, 1 + 20);
    QCOMPARE(progress.get(), 1000);

    progress.set(0, 1000);  // the run is over: the panel's text again
    QVERIFY(!host.panel->hasPicture());
    QCOMPARE(progress.get(), 0);
    progress.set(5, 0);  // a scale of 0 (every file empty) keeps the previous scale
    QCOMPARE(progress.get(), 5);
    QCOMPARE(progress.bar()->Max(), 1000);
    QVERIFY(host.panel->hasPicture());
    QCOMPARE(progress.bar()->lastFilled(), 0);
}

int RunProgressBarTests(int argc, char** argv) {
    ProgressBarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ProgressBarTest.moc"
