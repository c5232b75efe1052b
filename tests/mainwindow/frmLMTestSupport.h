#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

#include "Module1.h"
#include "ScriptedMessageBoxes.h"
#include "frmLM.h"

namespace lexmill::test {

// A main window over a temporary work folder (the process's current
// directory while it is built), a settings file beside it, scripted message
// boxes and a stand-in editor that writes down its arguments.
class MainWindowFixture {
  public:
    // Writes each name in the work folder with `bytes` as its content.
    explicit MainWindowFixture(const QStringList& files = {}, const QByteArray& bytes = "x");
    ~MainWindowFixture();

    void store(const QString& key, const QString& value,
               const QString& section = QStringLiteral("Options")) const;
    QString stored(const QString& key, const QString& section = QStringLiteral("Options")) const;
    // The "Options" values as "key=value", in the order first written.
    QStringList storedInOrder() const;

    // Makes and shows the window.
    frmLM& open();
    frmLM& window() { return *window_; }

    QString work() const { return work_; }
    QString file(const QString& name) const { return QDir(work_).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    // What the stand-in editor was last started with, one argument per item.
    QStringList editorArguments() const;
    // The last message box's title, icon and text, "title|icon|text".
    QString lastBox() const;

    Module1 m;
    ScriptedMessageBoxes boxes;

  private:
    QTemporaryDir dir_;
    QString work_;
    QString previousDirectory_;
    QString editor_;
    std::unique_ptr<frmLM> window_;
};

template <typename T>
T* Find(const QObject& parent, const QString& name) {
    T* found = parent.findChild<T*>(name);
    if (!found) qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}

// Runs `act` on the first visible top-level window of type T once it shows
// (its modal loop runs by then); `act` must close it.
void WhenShown(const QMetaObject& type, std::function<void(QWidget&)> act);
template <typename T>
void WhenShown(std::function<void(T&)> act) {
    WhenShown(T::staticMetaObject, [act](QWidget& w) { act(static_cast<T&>(w)); });
}

void Click(QWidget& window, const char* button);
QStringList Listed(const frmLM& window);
// Selects the listed rows of File1 whose names are given.
void SelectNames(frmLM& window, const QStringList& names);

}  // namespace lexmill::test
