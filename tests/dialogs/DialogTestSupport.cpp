#include "DialogTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "CRegSettings.h"

namespace lexmill::test {

namespace {
CRegSettings ProgramSettings(const std::filesystem::path& file) {
    CRegSettings settings(file);
    settings.setCompany("Bramblegate");
    settings.setAppName("Lexmill");
    return settings;
}
}  // namespace

TempSettings::TempSettings() = default;

std::filesystem::path TempSettings::file() const {
    return std::filesystem::path(dir_.filePath(QStringLiteral("registry.sqlite")).toStdString());
}

void TempSettings::put(const char* section, const QString& key, const QString& value) const {
    ProgramSettings(file()).SaveSetting(section, key.toStdString(), value.toStdString());
}

QString TempSettings::get(const char* section, const QString& key, const QString& missing) const {
    // The marker is passed as the default: only a missing value gives it.
    return QString::fromStdString(
        ProgramSettings(file()).GetSetting(section, key.toStdString(), missing.toStdString()));
}

QList<QPair<QString, QString>> TempSettings::all(const char* section) const {
    QList<QPair<QString, QString>> values;
    for (const auto& [name, text] : ProgramSettings(file()).GetAllSettings(section))
        values.append({QString::fromStdString(name), QString::fromStdString(text)});
    return values;
}

void OnModal(std::function<void(QWidget*)> act, QWidget* except) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, except] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != except) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

BlockWatch::BlockWatch(QWidget* window) {
    window->installEventFilter(this);
}

bool BlockWatch::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::WindowBlocked) blocked = true;
    if (event->type() == QEvent::WindowUnblocked) blocked = false;
    return false;
}

void VerifyNothingClipped(const QWidget& window) {
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        QString text;
        if (auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->wordWrap()) continue;  // wraps instead of clipping
            text = label->text();
        } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
            text = button->text();
        } else {
            continue;
        }
        text.remove(QLatin1Char('&'));
        const int needed = w->fontMetrics().horizontalAdvance(text);
        QVERIFY2(needed <= w->contentsRect().width(),
                 qPrintable(QStringLiteral("%1: %2 > %3")
                                .arg(w->objectName())
                                .arg(needed)
                                .arg(w->contentsRect().width())));
    }
}

}  // namespace lexmill::test
