#include "frmLMTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CRegSettings.h"
#include "FileListBox.h"

namespace lexmill::test {

namespace {

CRegSettings Store(const QTemporaryDir& dir) {
    CRegSettings settings(
        QFile::encodeName(dir.filePath(QStringLiteral("registry.sqlite"))).toStdString());
    settings.setCompany("Bramblegate");
    settings.setAppName("Lexmill");
    return settings;
}

}  // namespace

MainWindowFixture::MainWindowFixture(const QStringList& files, const QByteArray& bytes) {
    work_ = QDir(dir_.path()).filePath(QStringLiteral("work"));
    QDir().mkpath(work_);
    for (const QString& name : files) write(name, bytes);
    editor_ = dir_.filePath(QStringLiteral("editor.sh"));
    QFile script(editor_);
    script.open(QIODevice::WriteOnly);
    script.write(
        "#!/bin/sh\n"
        "out=\"$(dirname \"$0\")/args\"\n"
        "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$out.tmp\"\n"
        "mv \"$out.tmp\" \"$out\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    previousDirectory_ = QDir::currentPath();
    QDir::setCurrent(work_);
    // The text block follows the clipboard: every window starts on an empty one.
    QGuiApplication::clipboard()->clear();
}

MainWindowFixture::~MainWindowFixture() {
    window_.reset();
    QDir::setCurrent(previousDirectory_);
}

void MainWindowFixture::store(const QString& key, const QString& value,
                              const QString& section) const {
    Store(dir_).SaveSetting(section.toStdString(), key.toStdString(), value.toStdString());
}

QString MainWindowFixture::stored(const QString& key, const QString& section) const {
    return QString::fromStdString(
        Store(dir_).GetSetting(section.toStdString(), key.toStdString(), "<none>"));
}

QStringList MainWindowFixture::storedInOrder() const {
    QStringList values;
    for (const auto& [key, value] : Store(dir_).GetAllSettings("Options"))
        values << QString::fromStdString(key + "=" + value);
    return values;
}

frmLM& MainWindowFixture::open() {
    window_ = std::make_unique<frmLM>(
        m, QFile::encodeName(dir_.filePath(QStringLiteral("registry.sqlite"))).toStdString(),
        editor_);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("window not exposed");
    return *window_;
}

void MainWindowFixture::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(name));
    f.write(bytes);
}

QByteArray MainWindowFixture::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

QStringList MainWindowFixture::editorArguments() const {
    const QString out = dir_.filePath(QStringLiteral("args"));
    if (!QTest::qWaitFor([&] { return QFile::exists(out); }, 10000)) return {};
    QFile f(out);
    f.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    QFile::remove(out);
    return lines.mid(1);
}

QString MainWindowFixture::lastBox() const {
    if (boxes.count() == 0) return QStringLiteral("<none>");
    const auto& box = boxes.last();
    const char* icon = box.icon == QMessageBox::Warning       ? "warning"
                       : box.icon == QMessageBox::Critical    ? "critical"
                       : box.icon == QMessageBox::Information ? "information"
                                                              : "other";
    return box.title + QLatin1Char('|') + QLatin1String(icon) + QLatin1Char('|') + box.text;
}

void WhenShown(const QMetaObject& type, std::function<void(QWidget&)> act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, &type, act] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->metaObject()->inherits(&type) || !window->isVisible()) continue;
            poll->stop();
            poll->deleteLater();
            act(*window);
            return;
        }
    });
    poll->start(5);
}

void Click(QWidget& window, const char* button) {
    Find<QPushButton>(window, QString::fromLatin1(button))->click();
}

QStringList Listed(const frmLM& window) {
    QStringList names;
    for (int row = 0; row < window.File1->count(); ++row) names << window.File1->item(row)->text();
    return names;
}

void SelectNames(frmLM& window, const QStringList& names) {
    FileListBox* list = window.File1;
    list->clearSelection();
    for (int row = 0; row < list->count(); ++row)
        if (names.contains(list->item(row)->text())) {
            list->item(row)->setSelected(true);
            list->setCurrentRow(row, QItemSelectionModel::Select);
        }
}

}  // namespace lexmill::test
