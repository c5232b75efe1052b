#include "frmLMTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "CRegSettings.h"
#include "FileListBox.h"
#include "Form3.h"

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

MainWindowFixture::MainWindowFixture() {
    work_ = QDir(dir_.path()).filePath(QStringLiteral("work"));
    QDir().mkpath(work_);
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

void MainWindowFixture::store(const QString& key, const QString& value) const {
    Store(dir_).SaveSetting("Options", key.toStdString(), value.toStdString());
}

void MainWindowFixture::storeIn(const QString& section, const QString& key,
                                const QString& value) const {
    Store(dir_).SaveSetting(section.toStdString(), key.toStdString(), value.toStdString());
}

QString MainWindowFixture::storedIn(const QString& section, const QString& key) const {
    return QString::fromStdString(
        Store(dir_).GetSetting(section.toStdString(), key.toStdString(), "<none>"));
}

QString MainWindowFixture::stored(const QString& key) const {
    return QString::fromStdString(Store(dir_).GetSetting("Options", key.toStdString(), "<none>"));
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

void OnResults(QWidget& owner, std::function<void(QWidget& results)> act) {
    // The run yields before its results window opens: wait for the modal loop.
    auto* poll = new QTimer(&owner);
    QObject::connect(poll, &QTimer::timeout, &owner, [poll, act = std::move(act)] {
        auto* results = qobject_cast<Form3*>(QApplication::activeModalWidget());
        if (!results) return;
        poll->stop();
        poll->deleteLater();
        act(*results);
    });
    poll->start(5);
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
