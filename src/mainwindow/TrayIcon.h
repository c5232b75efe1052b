#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace lexmill {

// The main window's icon in the notification area. MinimizeToTray hides the
// window behind the icon; a double-click on it, or "&Restore" in its menu,
// removes the icon and shows the window again; "&Exit" removes the icon and
// ends the program at once, without the window's closing steps, so nothing is
// saved. Where the desktop has no notification area the window is minimized
// to the task bar instead.
//
// The icon's mouse events reach TrayMessage as mouse message numbers, the
// same path a test takes, since offscreen and bare X servers have no
// notification area. Typical use in the main window:
//
//     tray_ = new TrayIcon(this);          // title and icon are read at each minimize
//     tray_->setExitProgram(...);          // optional
//     connect(mnuFileTr, &QAction::triggered, tray_, &TrayIcon::MinimizeToTray);
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // Mouse message numbers the icon delivers.
    static constexpr int kMouseMove = 0x0200;
    static constexpr int kLeftButtonUp = 0x0202;
    static constexpr int kLeftDoubleClick = 0x0203;
    static constexpr int kRightButtonUp = 0x0205;
    static constexpr int kMiddleButtonUp = 0x0208;

    // `window` is the main window; it also owns this controller and its menu.
    explicit TrayIcon(QWidget* window);
    ~TrayIcon() override;

    // What "&Exit" calls once the icon is gone. The default leaves every event
    // loop (QCoreApplication::exit) without closing any window, so the main
    // window's closing steps never run.
    void setExitProgram(std::function<void()> exitProgram);
    // Whether the desktop has a notification area; by default
    // QSystemTrayIcon::isSystemTrayAvailable, asked at each MinimizeToTray.
    void setTrayAvailable(std::function<bool()> trayAvailable);

    // "&Minimize to System Tray".
    void MinimizeToTray();
    // One mouse message from the icon (kLeftDoubleClick restores,
    // kRightButtonUp opens the menu, anything else does nothing). A message
    // that arrives while the previous one is still being handled is ignored.
    void TrayMessage(int message);
    // The icon's menu.
    void mnuPopRest_Click();
    void mnuPopEx_Click();

    // The message number QSystemTrayIcon's activation stands for.
    static int MessageFor(QSystemTrayIcon::ActivationReason reason);

    bool IconPresent() const { return icon_->isVisible(); }
    int LastMessage() const { return lastMessage_; }
    QSystemTrayIcon* SystemTrayIcon() const { return icon_; }
    QMenu* mnuPopSysTray() const { return mnuPopSysTray_; }
    QAction* mnuPopRest() const { return mnuPopRest_; }
    QAction* mnuPopEx() const { return mnuPopEx_; }

  private:
    void BuildMenu();
    void AddIcon();
    void RemoveIcon();
    void ShowWindow();

    QWidget* window_;
    QSystemTrayIcon* icon_;
    QMenu* mnuPopSysTray_ = nullptr;
    QAction* mnuPopRest_ = nullptr;
    QAction* mnuPopEx_ = nullptr;
    std::function<void()> exitProgram_;
    std::function<bool()> trayAvailable_;
    int lastMessage_ = 0;
    bool guard_ = false;
    bool quitOnLastWindowClosed_ = true;  // the application's setting before the icon
};

}  // namespace lexmill
