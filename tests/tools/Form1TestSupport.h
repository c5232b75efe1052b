#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "CRegSettings.h"
#include "Form1.h"
#include "FtpTestServer.h"
#include "Module1.h"
#include "ScriptedMessageBoxes.h"

namespace lexmill::test {

template <typename T>
T* Find(const QWidget& form, const QString& name) {
    T* control = form.findChild<T*>(name);
    if (!control) qFatal("no control %s", qPrintable(name));
    return control;
}
inline QPushButton* Button(const QWidget& form, int n) {
    return Find<QPushButton>(form, QStringLiteral("Command%1").arg(n));
}
inline QLineEdit* Box(const QWidget& form, int n) {
    return Find<QLineEdit>(form, QStringLiteral("Text%1").arg(n));
}
inline QComboBox* Names(const QWidget& form) {
    return Find<QComboBox>(form, QStringLiteral("cname"));
}
inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The settings file and files to upload in a temporary folder, the shared
// state, and scripted message boxes.
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
    // Every box so far as "title: text".
    QStringList Titles() const {
        QStringList titles;
        for (const MessageRequest& r : boxes.calls()) titles << r.title + ": " + r.text;
        return titles;
    }
};

}  // namespace lexmill::test
