#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <filesystem>
#include <string>

#include "CRegSettings.h"
#include "Form1.h"
#include "FtpTestServer.h"
#include "Module1.h"
#include "ScriptedMessageBoxes.h"

namespace lexmill::test {

template <typename T>
T* Find(const QWidget& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}

inline QPushButton* Button(const QWidget& form, int number) {
    const QByteArray name = QStringLiteral("Command%1").arg(number).toLatin1();
    return Find<QPushButton>(form, name.constData());
}

inline QLineEdit* Box(const QWidget& form, int number) {
    const QByteArray name = QStringLiteral("Text%1").arg(number).toLatin1();
    return Find<QLineEdit>(form, name.constData());
}

inline QComboBox* Names(const QWidget& form) {
    return Find<QComboBox>(form, "cname");
}

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A temporary folder holding the settings file and the files to upload, the
// shared state, and scripted message boxes.
struct FtpWindowFixture {
    TestFolder folder;
    std::filesystem::path settingsFile = folder.path() / "registry.sqlite";
    Module1 module;
    ScriptedMessageBoxes boxes;

    CRegSettings Settings() const {
        CRegSettings settings(settingsFile);
        settings.setCompany("Bramblegate");
        settings.setAppName("Lexmill");
        return settings;
    }
    std::string Get(std::string_view section, std::string_view key) {
        return Settings().GetSetting(section, key, "<missing>");
    }
    void Put(std::string_view section, std::string_view key, std::string_view value) {
        Settings().SaveSetting(section, key, value);
    }
};

}  // namespace lexmill::test
