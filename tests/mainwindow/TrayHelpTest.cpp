// The tray icon's protocol through its controller (offscreen has no
// notification area), and the help window's topics and index.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include "HelpWindow.h"
#include "QtPrinters.h"
#include "TrayIcon.h"

using lexmill::TrayIcon;

namespace {

// The main window as the tray sees it: it counts the close requests (the
// closing steps that save the settings).
struct Window : QWidget {
    int closeRequests = 0;
    void closeEvent(QCloseEvent*) override { ++closeRequests; }
};

// A mouse message from the icon, an activation of the real icon (its reason,
// negated), an item of its menu, or a desktop without a notification area.
struct TrayCase {
    const char* name;
    int message;
    bool restored, menuShown, exited;
};

constexpr int kRestoreItem = 1, kExitItem = 2, kNoTray = 3;

const TrayCase kTray[] = {
    {"double-click", TrayIcon::kLeftDoubleClick, true, false, false},
    {"right click", TrayIcon::kRightButtonUp, false, true, false},
    {"left click", TrayIcon::kLeftButtonUp, false, false, false},
    {"activated: double-click", -QSystemTrayIcon::DoubleClick, true, false, false},
    {"activated: context", -QSystemTrayIcon::Context, false, true, false},
    {"activated: trigger", -QSystemTrayIcon::Trigger, false, false, false},
    {"Restore", kRestoreItem, true, false, false},
    {"Exit", kExitItem, false, false, true},
    {"no notification area: the task bar", kNoTray, true, false, false},
};

TEST(TrayIconTest, MessagesFromTheIconRestoreOpenTheMenuOrExit) {
    for (const TrayCase& r : kTray) {
        SCOPED_TRACE(r.name);
        Window window;
        window.show();
        auto* tray = new TrayIcon(&window);
        bool iconAtExit = true;
        int exits = 0;
        tray->setTrayAvailable([&r] { return r.message != kNoTray; });
        tray->setExitProgram([&] {
            ++exits;
            iconAtExit = tray->IconPresent();
        });
        tray->MinimizeToTray();
        ASSERT_EQ(tray->IconPresent(), window.isHidden());  // in the tray, or on the task bar
        if (r.message == kRestoreItem)
            tray->mnuPopRest()->trigger();
        else if (r.message == kExitItem)
            tray->mnuPopEx()->trigger();
        else if (r.message < 0)
            emit tray->SystemTrayIcon()->activated(QSystemTrayIcon::ActivationReason(-r.message));
        else if (r.message != kNoTray)
            tray->TrayMessage(r.message);
        EXPECT_EQ(window.isVisible(), r.restored);
        EXPECT_EQ(window.isMinimized(), r.message == kNoTray);
        EXPECT_EQ(tray->IconPresent(), !r.restored && !r.exited);
        EXPECT_EQ(tray->mnuPopSysTray()->isVisible(), r.menuShown);
        EXPECT_EQ(exits, r.exited ? 1 : 0);
        EXPECT_FALSE(r.exited && iconAtExit);
        EXPECT_EQ(window.closeRequests, 0);  // Exit skips the closing steps
        EXPECT_EQ(QApplication::quitOnLastWindowClosed(), r.restored || r.exited);
        tray->mnuPopSysTray()->hide();
        delete tray;
        EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    }
}

TEST(HelpWindowTest, TopicsAndTheIndexOpenTheirPages) {
    const std::pair<int, const char*> topics[] = {{64, "options.html"}, {999, "overview.html"}};
    for (const auto& [context, page] : topics) {
        lexmill::HelpWindow* help = lexmill::ShowHelpTopic(nullptr, context);
        EXPECT_EQ(help->CurrentPage(), page) << context;
        delete help;
    }
    // An index entry opens its page at the section that tells of it, not at the top.
    const std::pair<const char*, const char*> entries[] = {
        {"lmb", "searchreplace.html"},  // the first keyword it starts: LMBACK
        {"tls", "ftp.html"}};
    for (const auto& [typed, page] : entries) {
        lexmill::HelpWindow help;
        help.show();
        help.ShowIndexTab();
        QTest::keyClicks(help.IndexText, typed);
        QTest::keyClick(help.IndexText, Qt::Key_Return);
        EXPECT_EQ(help.CurrentPage(), page);
        QTextDocument* shown = help.Browser->document();  // its first block is the page's title
        EXPECT_GT(help.Browser->verticalScrollBar()->value(),
                  shown->documentLayout()->blockBoundingRect(shown->begin()).bottom())
            << typed;
    }
}

}  // namespace
