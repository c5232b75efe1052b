#include "TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QStyle>
#include <QWidget>

namespace lexmill {

TrayIcon::TrayIcon(QWidget* window)
    : QObject(window),
      window_(window),
      icon_(new QSystemTrayIcon(this)),
      exitProgram_([] { QCoreApplication::exit(0); }),
      trayAvailable_(&QSystemTrayIcon::isSystemTrayAvailable) {
    setObjectName(QStringLiteral("TrayIcon"));
    BuildMenu();
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayMessage(MessageFor(reason)); });
}

TrayIcon::~TrayIcon() {
    // Gives the application back its own quit-on-last-window setting.
    RemoveIcon();
}

void TrayIcon::BuildMenu() {
    // Parented to the window so that it goes with it; as a pop-up it never
    // shows inside the window.
    mnuPopSysTray_ = new QMenu(tr("mnuPop"), window_);
    mnuPopSysTray_->setObjectName(QStringLiteral("mnuPopSysTray"));
    mnuPopRest_ = mnuPopSysTray_->addAction(tr("&Restore"));
    mnuPopRest_->setObjectName(QStringLiteral("mnuPopRest"));
    QAction* separator = mnuPopSysTray_->addSeparator();
    separator->setObjectName(QStringLiteral("mnuPopSep"));
    mnuPopEx_ = mnuPopSysTray_->addAction(tr("&Exit"));
    mnuPopEx_->setObjectName(QStringLiteral("mnuPopEx"));

    // The default item; bold in every style, not only in those that mark it.
    mnuPopSysTray_->setDefaultAction(mnuPopRest_);
    QFont bold = mnuPopRest_->font();
    bold.setBold(true);
    mnuPopRest_->setFont(bold);

    connect(mnuPopRest_, &QAction::triggered, this, &TrayIcon::mnuPopRest_Click);
    connect(mnuPopEx_, &QAction::triggered, this, &TrayIcon::mnuPopEx_Click);
}

void TrayIcon::setExitProgram(std::function<void()> exitProgram) {
    exitProgram_ = std::move(exitProgram);
}

void TrayIcon::setTrayAvailable(std::function<bool()> trayAvailable) {
    trayAvailable_ = std::move(trayAvailable);
}

void TrayIcon::MinimizeToTray() {
    if (!trayAvailable_ || !trayAvailable_()) {
        // Without a notification area a hidden window could never come back.
        window_->showMinimized();
        return;
    }
    AddIcon();
    window_->hide();
}

void TrayIcon::TrayMessage(int message) {
    lastMessage_ = message;
    if (guard_) return;
    guard_ = true;
    if (message == kLeftDoubleClick) {
        RemoveIcon();
        ShowWindow();
    } else if (message == kRightButtonUp) {
        // Cleared first, so that messages arriving while the menu is open are handled.
        guard_ = false;
        mnuPopSysTray_->popup(QCursor::pos());
    }
    guard_ = false;
}

void TrayIcon::mnuPopRest_Click() {
    RemoveIcon();
    ShowWindow();
}

void TrayIcon::mnuPopEx_Click() {
    RemoveIcon();
    if (exitProgram_) exitProgram_();
}

int TrayIcon::MessageFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            return kLeftDoubleClick;
        case QSystemTrayIcon::Context:
            return kRightButtonUp;
        case QSystemTrayIcon::Trigger:
            return kLeftButtonUp;
        case QSystemTrayIcon::MiddleClick:
            return kMiddleButtonUp;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return kMouseMove;
}

void TrayIcon::AddIcon() {
    // Taken afresh each time, as the window's title and icon may have changed.
    QIcon icon = window_->windowIcon();
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    icon_->setIcon(icon);
    icon_->setToolTip(window_->windowTitle());
    if (!icon_->isVisible()) {
        // With the main window hidden, closing any other window would count as
        // closing the last one and end the program behind the user's back.
        quitOnLastWindowClosed_ = QApplication::quitOnLastWindowClosed();
        QApplication::setQuitOnLastWindowClosed(false);
    }
    icon_->show();
}

void TrayIcon::RemoveIcon() {
    if (!icon_->isVisible()) return;
    icon_->hide();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed_);
}

void TrayIcon::ShowWindow() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace lexmill
