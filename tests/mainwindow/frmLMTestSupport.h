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
    MainWindowFixture();
    ~MainWindowFixture();

    // Stores a value in section "Options" before the window is made.
    void store(const QString& key, const QString& value) const;
    QString stored(const QString& key) const;
    // Any section of the settings file.
    void storeIn(const QString& section, const QString& key, const QString& value) const;
    QString storedIn(const QString& section, const QString& key) const;
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

// Runs `act` on the results window once its modal loop runs, then leaves it
// open for the caller's last action (act must close it).
void OnResults(QWidget& owner, std::function<void(QWidget& results)> act);

// Selects the listed rows of File1 whose names are given.
void SelectNames(frmLM& window, const QStringList& names);

}  // namespace lexmill::test
