#include "DialogTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>

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

std::filesystem::path TempSettings::file() const {
    return std::filesystem::path(dir_.filePath(QStringLiteral("registry.sqlite")).toStdString());
}

void TempSettings::put(const char* section, const QString& key, const QString& value) const {
    ProgramSettings(file()).SaveSetting(section, key.toStdString(), value.toStdString());
}

QStringList TempSettings::all(const char* section) const {
    QStringList values;
    for (const auto& [name, text] : ProgramSettings(file()).GetAllSettings(section))
        values << QString::fromStdString(name + "=" + text);
    return values;
}

void OnModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
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
        QString text;
        if (auto* label = qobject_cast<const QLabel*>(w); label && !label->wordWrap())
            text = label->text();
        else if (auto* button = qobject_cast<const QAbstractButton*>(w))
            text = button->text();
        if (!w->isVisible() || text.isEmpty()) continue;
        const int needed = w->fontMetrics().horizontalAdvance(text.remove(QLatin1Char('&')));
        QVERIFY2(needed <= w->contentsRect().width(), qPrintable(w->objectName()));
    }
}

}  // namespace lexmill::test
