// The tray icon's protocol, driven through its controller: offscreen has no
// notification area, so the icon's mouse messages are delivered as the icon
// would deliver them.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QtTest>
#include <memory>

#include "TrayIcon.h"

using lexmill::TrayIcon;

namespace {

// Stands in for the main window: a real top-level window that counts the
// close requests it gets (the closing steps that save the settings), and
// runs a callback when shown, i.e. in the middle of a restore.
class MainWindow : public QWidget {
  public:
    MainWindow() {
        setWindowTitle(QStringLiteral("Lexmill"));
        resize(400, 300);
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::darkGreen);
        setWindowIcon(QIcon(pixmap));
        Text1 = new QLineEdit(this);
    }
    int closeRequests = 0;
    QLineEdit* Text1;
    std::function<void()> onShow;

  protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeRequests;
        event->accept();
    }
    void showEvent(QShowEvent*) override {
        if (onShow) onShow();
    }
};

enum Outcome { kNothing, kRestored, kMenu };

}  // namespace

class TrayIconTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<MainWindow> window;
    TrayIcon* tray = nullptr;
    int exits = 0;
    bool iconPresentAtExit = true;

    void InTray() {
        tray->MinimizeToTray();
        QVERIFY(tray->IconPresent());
        QVERIFY(window->isHidden());
    }
    void Expect(Outcome outcome) {
        QCOMPARE(tray->IconPresent(), outcome != kRestored);
        QCOMPARE(window->isVisible(), outcome == kRestored);
        QCOMPARE(tray->mnuPopSysTray()->isVisible(), outcome == kMenu);
        if (outcome == kRestored) QVERIFY(!window->isMinimized());
    }

  private slots:
    void init() {
        window = std::make_unique<MainWindow>();
        window->show();
        tray = new TrayIcon(window.get());
        tray->setTrayAvailable([] { return true; });
        exits = 0;
        iconPresentAtExit = true;
        tray->setExitProgram([this] {
            ++exits;
            iconPresentAtExit = tray->IconPresent();
        });
    }
    void cleanup() {
        if (tray) tray->mnuPopSysTray()->hide();
        window.reset();
    }

    void minimizeThenDoubleClick_restoresTheWindowUnchanged() {
        window->Text1->setText(QStringLiteral("kept"));
        const QRect before = window->geometry();
        InTray();
        QCOMPARE(tray->SystemTrayIcon()->toolTip(), QStringLiteral("Lexmill"));
        QCOMPARE(tray->SystemTrayIcon()->icon().cacheKey(), window->windowIcon().cacheKey());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        tray->TrayMessage(TrayIcon::kLeftDoubleClick);
        Expect(kRestored);
        QCOMPARE(window->Text1->text(), QStringLiteral("kept"));
        QCOMPARE(window->geometry(), before);
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }

    void rightClick_opensTheMenuWhoseRestoreIsTheBoldDefault() {
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        Expect(kMenu);  // opening the menu alone changes nothing
        QMenu* menu = tray->mnuPopSysTray();
        QCOMPARE(menu->objectName(), QStringLiteral("mnuPopSysTray"));
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("&Restore"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("&Exit"));
        QCOMPARE(menu->defaultAction(), items[0]);
        QVERIFY(items[0]->font().bold() && !items[2]->font().bold());
        tray->mnuPopRest()->trigger();
        Expect(kRestored);
        QCOMPARE(exits, 0);
    }

    // Raw messages and the real icon's activations reach the same protocol.
    void messagesAndActivations_data() {
        QTest::addColumn<bool>("activation");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("outcome");
        QTest::newRow("mouse move") << false << int(TrayIcon::kMouseMove) << int(kNothing);
        QTest::newRow("left button down") << false << 0x0201 << int(kNothing);
        QTest::newRow("left click") << false << int(TrayIcon::kLeftButtonUp) << int(kNothing);
        QTest::newRow("right button down") << false << 0x0204 << int(kNothing);
        QTest::newRow("right double-click") << false << 0x0206 << int(kNothing);
        QTest::newRow("middle click") << false << int(TrayIcon::kMiddleButtonUp) << int(kNothing);
        QTest::newRow("activated: double-click")
            << true << int(QSystemTrayIcon::DoubleClick) << int(kRestored);
        QTest::newRow("activated: context") << true << int(QSystemTrayIcon::Context) << int(kMenu);
        QTest::newRow("activated: trigger")
            << true << int(QSystemTrayIcon::Trigger) << int(kNothing);
        QTest::newRow("activated: middle")
            << true << int(QSystemTrayIcon::MiddleClick) << int(kNothing);
        QTest::newRow("activated: unknown")
            << true << int(QSystemTrayIcon::Unknown) << int(kNothing);
    }
    void messagesAndActivations() {
        QFETCH(bool, activation);
        QFETCH(int, value);
        QFETCH(int, outcome);
        InTray();
        if (activation) {
            emit tray->SystemTrayIcon()->activated(QSystemTrayIcon::ActivationReason(value));
        } else {
            tray->TrayMessage(value);
            QCOMPARE(tray->LastMessage(), value);
        }
        Expect(Outcome(outcome));
        QCOMPARE(exits, 0);
    }

    void messageArrivingDuringHandling_isIgnoredButRecorded() {
        InTray();
        window->onShow = [this] { tray->TrayMessage(TrayIcon::kRightButtonUp); };
        tray->TrayMessage(TrayIcon::kLeftDoubleClick);
        window->onShow = nullptr;
        Expect(kRestored);
        QCOMPARE(tray->LastMessage(), TrayIcon::kRightButtonUp);
        // The guard is down again once the message is handled.
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        Expect(kMenu);
        tray->TrayMessage(TrayIcon::kLeftDoubleClick);  // handled while the menu is open
        Expect(kRestored);
    }

    void exit_removesTheIconAndEndsWithoutClosingSteps() {
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        tray->mnuPopEx()->trigger();
        QCOMPARE(exits, 1);
        QVERIFY(!iconPresentAtExit);
        QCOMPARE(window->closeRequests, 0);
        QVERIFY(window->isHidden());
    }

    void controllerGoneWhileInTray_givesBackTheQuitSetting() {
        InTray();
        delete tray;
        tray = nullptr;
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }

    void noNotificationArea_minimizesToTheTaskBar() {
        tray->setTrayAvailable([] { return false; });
        tray->MinimizeToTray();
        QVERIFY(!tray->IconPresent());
        QVERIFY(window->isVisible() && window->isMinimized());
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }
};

int RunTrayIconTests(int argc, char** argv) {
    TrayIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TrayIconTest.moc"
