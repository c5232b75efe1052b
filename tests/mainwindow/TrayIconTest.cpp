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
// close requests it gets (the closing steps that save the settings).
class MainWindow : public QWidget {
  public:
    MainWindow() {
        setWindowTitle(QStringLiteral("Lexmill"));
        resize(400, 300);
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::darkGreen);
        setWindowIcon(QIcon(pixmap));
        Text1 = new QLineEdit(this);
        Text1->setObjectName(QStringLiteral("Text1"));
    }
    int closeRequests = 0;
    QLineEdit* Text1;

  protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeRequests;
        event->accept();
    }
};

// Runs a callback whenever the watched window is shown, i.e. in the middle of
// the controller's handling of a restore.
class OnShow : public QObject {
  public:
    std::function<void()> callback;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && callback) callback();
        return false;
    }
};

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
    void ExpectStillInTray() {
        QVERIFY(tray->IconPresent());
        QVERIFY(window->isHidden());
        QVERIFY(!tray->mnuPopSysTray()->isVisible());
    }
    void ExpectRestored() {
        QVERIFY(!tray->IconPresent());
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
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

    void minimizeToTray_hidesTheWindowBehindItsIcon() {
        InTray();
        QCOMPARE(tray->SystemTrayIcon()->toolTip(), QStringLiteral("Lexmill"));
        QCOMPARE(tray->SystemTrayIcon()->icon().cacheKey(), window->windowIcon().cacheKey());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void doubleClick_restoresTheWindowUnchangedAndRemovesTheIcon() {
        window->Text1->setText(QStringLiteral("kept"));
        const QRect before = window->geometry();
        InTray();
        tray->TrayMessage(TrayIcon::kLeftDoubleClick);
        ExpectRestored();
        QCOMPARE(window->Text1->text(), QStringLiteral("kept"));
        QCOMPARE(window->geometry(), before);
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }

    void rightClick_opensTheMenuWithRestoreAsBoldDefault() {
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        QMenu* menu = tray->mnuPopSysTray();
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->objectName(), QStringLiteral("mnuPopSysTray"));
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("&Restore"));
        QCOMPARE(items[0]->objectName(), QStringLiteral("mnuPopRest"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("&Exit"));
        QCOMPARE(items[2]->objectName(), QStringLiteral("mnuPopEx"));
        QCOMPARE(menu->defaultAction(), items[0]);
        QVERIFY(items[0]->font().bold());
        QVERIFY(!items[2]->font().bold());
        // Opening the menu alone changes nothing.
        QVERIFY(tray->IconPresent());
        QVERIFY(window->isHidden());
    }

    void restore_actsAsTheDoubleClick() {
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        tray->mnuPopRest()->trigger();
        ExpectRestored();
        QCOMPARE(exits, 0);
    }

    void otherMessages_doNothing_data() {
        QTest::addColumn<int>("message");
        QTest::newRow("mouse move") << TrayIcon::kMouseMove;
        QTest::newRow("left button down") << 0x0201;
        QTest::newRow("left click (button up)") << TrayIcon::kLeftButtonUp;
        QTest::newRow("right button down") << 0x0204;
        QTest::newRow("right double-click") << 0x0206;
        QTest::newRow("middle click") << TrayIcon::kMiddleButtonUp;
    }
    void otherMessages_doNothing() {
        QFETCH(int, message);
        InTray();
        tray->TrayMessage(message);
        ExpectStillInTray();
        QCOMPARE(tray->LastMessage(), message);
        QCOMPARE(exits, 0);
    }

    // The real icon's activation signal reaches the same protocol.
    void activations_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("double-click")
            << int(QSystemTrayIcon::DoubleClick) << QStringLiteral("restored");
        QTest::newRow("context") << int(QSystemTrayIcon::Context) << QStringLiteral("menu");
        QTest::newRow("single click") << int(QSystemTrayIcon::Trigger) << QStringLiteral("nothing");
        QTest::newRow("middle click")
            << int(QSystemTrayIcon::MiddleClick) << QStringLiteral("nothing");
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QStringLiteral("nothing");
    }
    void activations() {
        QFETCH(int, reason);
        QFETCH(QString, outcome);
        InTray();
        emit tray->SystemTrayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
        if (outcome == QLatin1String("restored")) {
            ExpectRestored();
        } else if (outcome == QLatin1String("menu")) {
            QVERIFY(tray->mnuPopSysTray()->isVisible());
            QVERIFY(window->isHidden());
        } else {
            ExpectStillInTray();
        }
    }

    void messageArrivingDuringHandling_isIgnoredButRecorded() {
        InTray();
        OnShow reenter;
        reenter.callback = [this] { tray->TrayMessage(TrayIcon::kRightButtonUp); };
        window->installEventFilter(&reenter);
        tray->TrayMessage(TrayIcon::kLeftDoubleClick);
        window->removeEventFilter(&reenter);
        ExpectRestored();
        QVERIFY(!tray->mnuPopSysTray()->isVisible());
        QCOMPARE(tray->LastMessage(), TrayIcon::kRightButtonUp);

        // The guard is down again once the message is handled.
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        QVERIFY(tray->mnuPopSysTray()->isVisible());
    }

    void messagesWhileTheMenuIsOpen_areHandled() {
        InTray();
        tray->TrayMessage(TrayIcon::kRightButtonUp);
        QVERIFY(tray->mnuPopSysTray()->isVisible());
        tray->TrayMessage(TrayIcon::kLeftDoubleClick);
        ExpectRestored();
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
        QVERIFY(window->isVisible());
        QVERIFY(window->isMinimized());
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }
};

int RunTrayIconTests(int argc, char** argv) {
    TrayIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TrayIconTest.moc"
