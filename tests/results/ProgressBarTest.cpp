// The segmented progress bar: its arithmetic, its errors and what it paints
// into the status panel, on real widgets.
#include "ProgressBarTest.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <limits>
#include <memory>

#include "CProgressBarEx.h"
#include "ProgressProperty.h"

using namespace lexmill;

namespace {

constexpr std::uint32_t kMinError = 0x80040002;

// A window like the ones that host the bar: three status panels, the third
// keyed "pnlProgress", and the hidden picture box the bar draws into.
struct Host {
    QMainWindow window;
    QStatusBar* bar;
    StatusPanel* panel;
    PictureBox* picture;

    Host(int panelWidth, int barHeight) {
        bar = new QStatusBar(&window);
        bar->setObjectName(QStringLiteral("sbStatusbar"));
        bar->setSizeGripEnabled(false);
        bar->setFixedHeight(barHeight);
        window.setStatusBar(bar);
        bar->addWidget(new StatusPanel(QString(), 100, bar));
        bar->addWidget(new StatusPanel(QString(), 60, bar));
        panel = new StatusPanel(QStringLiteral("pnlProgress"), panelWidth, bar);
        panel->setText(QStringLiteral("3 file(s) selected."));
        bar->addWidget(panel);
        picture = new PictureBox(&window);
        picture->setObjectName(QStringLiteral("picProgress"));
        window.resize(panelWidth + 300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // Created as the windows' Progress property does it.
    std::unique_ptr<CProgressBarEx> makeBar() {
        auto progress = std::make_unique<CProgressBarEx>();
        progress->setClient(picture);
        progress->setHost(bar);
        progress->setPanelKey(QStringLiteral("pnlProgress"));
        progress->ResizeEx();
        return progress;
    }
};

// A panel of 284 pixels in a bar 24 high: pictures 20 high, 20 blocks.
constexpr int kTwentyBlocksWidth = 284;
constexpr int kBarHeight = 24;

}  // namespace

void ProgressBarTest::roundsHalvesToEven_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("min");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("filled");
    const qint64 big = std::numeric_limits<qint64>::max();
    const qint64 small = std::numeric_limits<qint64>::min();
    // 20 blocks on a scale of 1000
    QTest::newRow("24 of 1000") << qint64(24) << qint64(0) << qint64(1000) << 20 << 0;
    QTest::newRow("25 of 1000: 0.5 to even") << qint64(25) << qint64(0) << qint64(1000) << 20 << 0;
    QTest::newRow("26 of 1000") << qint64(26) << qint64(0) << qint64(1000) << 20 << 1;
    QTest::newRow("75 of 1000: 1.5 to even") << qint64(75) << qint64(0) << qint64(1000) << 20 << 2;
    QTest::newRow("975 of 1000: 19.5 to even")
        << qint64(975) << qint64(0) << qint64(1000) << 20 << 20;
    QTest::newRow("0.5 -> 0") << qint64(1) << qint64(0) << qint64(2) << 1 << 0;
    QTest::newRow("1.5 -> 2") << qint64(3) << qint64(0) << qint64(4) << 2 << 2;
    QTest::newRow("2.5 -> 2") << qint64(125) << qint64(0) << qint64(1000) << 20 << 2;
    QTest::newRow("3.5 -> 4") << qint64(175) << qint64(0) << qint64(1000) << 20 << 4;
    QTest::newRow("just over a half") << qint64(501) << qint64(0) << qint64(20000) << 20 << 1;
    QTest::newRow("just under 1.5") << qint64(1499) << qint64(0) << qint64(20000) << 20 << 1;
    QTest::newRow("min offset") << qint64(15) << qint64(10) << qint64(20) << 4 << 2;
    QTest::newRow("negative scale") << qint64(-5) << qint64(-10) << qint64(10) << 20 << 5;
    QTest::newRow("full") << qint64(7) << qint64(0) << qint64(7) << 13 << 13;
    QTest::newRow("above max counts as full")
        << qint64(150) << qint64(0) << qint64(100) << 20 << 20;
    QTest::newRow("below min counts as empty") << qint64(-3) << qint64(0) << qint64(100) << 20 << 0;
    QTest::newRow("64-bit sizes") << (qint64(1) << 40) << qint64(0) << (qint64(1) << 41) << 15 << 8;
    QTest::newRow("whole 64-bit range, middle") << qint64(0) << small << big << 20 << 10;
    QTest::newRow("whole 64-bit range, end") << big << small << big << 20 << 20;
    QTest::newRow("over 2 GiB of 3")
        << qint64(2200000000) << qint64(0) << qint64(3300000000) << 30 << 20;
}

void ProgressBarTest::roundsHalvesToEven() {
    QFETCH(qint64, value);
    QFETCH(qint64, min);
    QFETCH(qint64, max);
    QFETCH(int, blocks);
    QFETCH(int, filled);
    QCOMPARE(CProgressBarEx::FilledBlocks(value, min, max, blocks), filled);
}

void ProgressBarTest::newBarHasItsDefaultsAndDrawsNothing() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    auto progress = host.makeBar();
    QCOMPARE(progress->Max(), 100);
    QCOMPARE(progress->Min(), 0);
    QCOMPARE(progress->Value(), 0);
    QCOMPARE(progress->TextOnly(), false);
    QCOMPARE(progress->lastFilled(), 0);
    QVERIFY(!host.panel->hasPicture());
    QCOMPARE(progress->ForeColor(), QGuiApplication::palette().highlight().color());
    QCOMPARE(progress->BackColor(), QGuiApplication::palette().button().color());
    // The picture box stays out of sight and out of the tab chain.
    QVERIFY(!host.picture->isVisible());
    QVERIFY(!host.picture->isEnabled());
    QCOMPARE(host.picture->focusPolicy(), Qt::NoFocus);
}

void ProgressBarTest::valueIsKeptWithinTheScale() {
    CProgressBarEx progress;
    progress.setValue(150);
    QCOMPARE(progress.Value(), 100);
    progress.setMin(10);
    progress.setValue(-5);
    QCOMPARE(progress.Value(), 10);
    progress.setValue(42);
    QCOMPARE(progress.Value(), 42);
}

void ProgressBarTest::maxNotAboveMinIsIgnored() {
    CProgressBarEx progress;
    progress.setMax(0);
    QCOMPARE(progress.Max(), 100);
    progress.setMin(50);
    progress.setMax(50);
    QCOMPARE(progress.Max(), 100);
    progress.setMax(-7);
    QCOMPARE(progress.Max(), 100);
    progress.setMax(51);
    QCOMPARE(progress.Max(), 51);
}

void ProgressBarTest::minNotBelowMaxRaisesObjectError() {
    for (qint64 min : {qint64(100), qint64(101), std::numeric_limits<qint64>::max()}) {
        CProgressBarEx progress;
        progress.setMin(5);
        try {
            progress.setMin(min);
            QFAIL("no error");
        } catch (const ProgressBarError& e) {
            QCOMPARE(e.number(), kMinError);
            QCOMPARE(e.source(), QStringLiteral("CProgressBar.Min"));
            QCOMPARE(e.description(), QStringLiteral("Min property must be less than Max."));
            QCOMPARE(QString::fromStdString(e.what()), e.description());
        }
        QCOMPARE(progress.Min(), 5);
    }
}

void ProgressBarTest::wrongClientOrHostRaisesTypeMismatch() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    auto progress = host.makeBar();
    QLabel label;
    const auto expectError = [](auto&& set, const char* source, const char* description) {
        try {
            set();
            QFAIL("no error");
        } catch (const ProgressBarError& e) {
            QCOMPARE(e.number(), 13u);
            QCOMPARE(e.source(), QString::fromLatin1(source));
            QCOMPARE(e.description(), QString::fromLatin1(description));
        }
    };
    expectError([&] { progress->setClient(&label); }, "CProgressBarEx.Client",
                "Client property must be of type PictureBox.");
    expectError([&] { progress->setClient(nullptr); }, "CProgressBarEx.Client",
                "Client property must be of type PictureBox.");
    expectError([&] { progress->setHost(host.panel); }, "CProgressBarEx.Host",
                "Host property must be of type StatusBar.");
    // The previous references stay.
    QCOMPARE(progress->Client(), host.picture);
    QCOMPARE(progress->Host(), host.bar);
}

void ProgressBarTest::layoutFollowsThePictureHeight_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("blockHeight");
    QTest::addColumn<int>("blockWidth");
    QTest::newRow("20 high") << 20 << 16 << 11;  // 10.67 -> 11
    QTest::newRow("19 high") << 19 << 15 << 10;
    QTest::newRow("18 high") << 18 << 14 << 9;  // 9.33 -> 9
    QTest::newRow("8 high") << 8 << 4 << 3;
    QTest::newRow("5 high") << 5 << 1 << 1;
}

void ProgressBarTest::layoutFollowsThePictureHeight() {
    QFETCH(int, height);
    QFETCH(int, blockHeight);
    QFETCH(int, blockWidth);
    PictureBox picture;
    picture.resize(200, height);
    CProgressBarEx progress;
    progress.setClient(&picture);
    QCOMPARE(progress.blockHeight(), blockHeight);
    QCOMPARE(progress.blockWidth(), blockWidth);
    // Without a host the picture box keeps its height and gets the bar's width.
    const int pitch = blockWidth + CProgressBarEx::gap;
    QCOMPARE(picture.height(), height);
    QCOMPARE(picture.width(), progress.blockCount() * pitch + CProgressBarEx::gap);
}

void ProgressBarTest::resizeExFitsTheBarToThePanel_data() {
    QTest::addColumn<int>("panelWidth");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("pictureWidth");
    // Pictures of panel width - 4, 20 high: block pitch 14, so a bar of n
    // blocks is 14n + 3 wide; the nearer of the two counts wins, the smaller on a tie.
    QTest::newRow("tie takes the smaller") << 224 << 15 << 213;  // 220: 7 vs 7
    QTest::newRow("nearer the larger") << 226 << 16 << 227;      // 222: 9 vs 5
    QTest::newRow("nearer the smaller") << 220 << 15 << 213;     // 216: 3 vs 11
    QTest::newRow("twenty blocks") << kTwentyBlocksWidth << 20 << 283;
    QTest::newRow("exact fit of pitch") << 214 << 15 << 213;  // 210
}

void ProgressBarTest::resizeExFitsTheBarToThePanel() {
    QFETCH(int, panelWidth);
    QFETCH(int, blocks);
    QFETCH(int, pictureWidth);
    Host host(panelWidth, kBarHeight);
    QCOMPARE(host.panel->width(), panelWidth);
    QCOMPARE(host.bar->height(), kBarHeight);
    auto progress = host.makeBar();
    QCOMPARE(host.picture->height(), kBarHeight - 4);
    QCOMPARE(progress->blockCount(), blocks);
    QCOMPARE(host.picture->width(), pictureWidth);
}

void ProgressBarTest::redrawsOnlyWhenFilledBlocksChange() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    auto progress = host.makeBar();
    progress->setMax(1000);
    progress->setValue(24);  // still no block: nothing drawn
    QVERIFY(!host.panel->hasPicture());
    progress->setValue(26);
    QVERIFY(host.panel->hasPicture());
    const qint64 first = host.panel->Picture().cacheKey();
    for (qint64 value : {30, 49, 74, 26})  // all one block
        progress->setValue(value);
    QCOMPARE(host.panel->Picture().cacheKey(), first);
    progress->setValue(76);
    QVERIFY(host.panel->Picture().cacheKey() != first);
    QCOMPARE(progress->lastFilled(), 2);
}

namespace {
// The colour in the middle of block `index` of the panel's picture.
QColor BlockColour(const StatusPanel* panel, int index) {
    const QImage image = panel->Picture().toImage();
    const int x = CProgressBarEx::margin + index * 14 + 5;
    return image.pixelColor(x, CProgressBarEx::margin + 8);
}
}  // namespace

void ProgressBarTest::paintsBlocksIntoItsPanel() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    auto progress = host.makeBar();
    progress->setForeColor(Qt::red);
    progress->setBackColor(Qt::white);
    progress->setMax(1000);
    progress->setValue(500);

    // In the picture: 10 red blocks of 12 columns (both corners included), then white.
    const QImage image = host.panel->Picture().toImage();
    QCOMPARE(image.size(), QSize(283, 20));
    for (int i = 0; i < 20; ++i)
        QCOMPARE(BlockColour(host.panel, i), QColor(i < 10 ? Qt::red : Qt::white));
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
}

void ProgressBarTest::textOnlyShowsThePanelTextAndBack() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    auto progress = host.makeBar();
    progress->setForeColor(Qt::red);
    progress->setMax(1000);
    progress->setValue(500);
    QVERIFY(host.panel->hasPicture());

    progress->setTextOnly(true);
    QVERIFY(!host.panel->hasPicture());
    progress->setValue(900);  // hidden bars draw nothing
    QVERIFY(!host.panel->hasPicture());
    const QImage shown = host.panel->grab().toImage();
    for (int x = 0; x < shown.width(); ++x)
        QVERIFY(shown.pixelColor(x, shown.height() / 2) != QColor(Qt::red));
    QCOMPARE(host.panel->Text(), QStringLiteral("3 file(s) selected."));

    // Back to the bar with the same number of filled blocks as last drawn:
    // the bar must still come back.
    progress->setValue(500);
    progress->setTextOnly(false);
    QVERIFY(host.panel->hasPicture());
    QCOMPARE(BlockColour(host.panel, 9), QColor(Qt::red));
    QCOMPARE(BlockColour(host.panel, 10), QGuiApplication::palette().button().color());
}

void ProgressBarTest::colourAndScaleChangesShowAtOnce() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    auto progress = host.makeBar();
    progress->setMax(1000);
    progress->setValue(500);
    progress->setForeColor(Qt::blue);
    QCOMPARE(BlockColour(host.panel, 0), QColor(Qt::blue));
    progress->setBackColor(Qt::green);
    QCOMPARE(BlockColour(host.panel, 19), QColor(Qt::green));

    progress->setMax(2000);  // same value, half the bar
    QCOMPARE(progress->lastFilled(), 5);
    QCOMPARE(BlockColour(host.panel, 4), QColor(Qt::blue));
    QCOMPARE(BlockColour(host.panel, 5), QColor(Qt::green));
    progress->setMin(250);  // (500 - 250) / (2000 - 250) of 20 = 2.86
    QCOMPARE(progress->lastFilled(), 3);
}

void ProgressBarTest::statusBarTooLowDrawsNoBlocks() {
    Host host(kTwentyBlocksWidth, 6);
    auto progress = host.makeBar();
    QCOMPARE(progress->blockCount(), 0);
    progress->setValue(100);
    progress->setTextOnly(false);
    QCOMPARE(progress->lastFilled(), 0);
}

void ProgressBarTest::progressPropertyDrivesTheBarThroughARun() {
    Host host(kTwentyBlocksWidth, kBarHeight);
    ProgressProperty progress(host.picture, host.bar);
    QCOMPARE(progress.get(), 0);
    QVERIFY(!progress.bar());

    progress.set(0, 0);  // made at the first write; 0 keeps the text
    QVERIFY(progress.bar());
    QVERIFY(progress.bar()->TextOnly());
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
    QCOMPARE(progress.bar()->lastFilled(), 20);

    progress.set(0, 1000);  // the run is over: the panel's text again
    QVERIFY(!host.panel->hasPicture());
    QCOMPARE(progress.get(), 0);

    // A run whose scale is 0 (every file empty) keeps the previous scale.
    progress.set(5, 0);
    QCOMPARE(progress.get(), 5);
    QCOMPARE(progress.bar()->Max(), 1000);
    QVERIFY(host.panel->hasPicture());
    QCOMPARE(progress.bar()->lastFilled(), 0);
}
