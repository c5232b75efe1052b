#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>

#include "CRegSettings.h"

namespace lexmill::test {

// A real settings file in a temporary folder, used the way the program does.
struct TempSettings {
    QTemporaryDir dir;
    std::filesystem::path file() const { return dir.filePath("registry.sqlite").toStdString(); }
    CRegSettings open() const {
        CRegSettings settings(file());
        settings.setCompany("Bramblegate");
        settings.setAppName("Lexmill");
        return settings;
    }
    void put(const QString& section, const QString& key, const QString& value) const {
        open().SaveSetting(section.toStdString(), key.toStdString(), value.toStdString());
    }
    QString get(const QString& section, const QString& key) const {
        return QString::fromStdString(
            open().GetSetting(section.toStdString(), key.toStdString(), "<missing>"));
    }
    // The section's values as "name=text;...", in the order first written.
    QString all(const QString& section) const {
        QStringList values;
        for (const auto& [name, text] : open().GetAllSettings(section.toStdString()))
            values << QString::fromStdString(name + "=" + text);
        return values.join(';');
    }
};

}  // namespace lexmill::test
