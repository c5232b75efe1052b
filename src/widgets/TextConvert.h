#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace lexmill {

// Text between the engines (UTF-8 bytes) and the widgets (QString). Invalid
// bytes show as U+FFFD.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// File names and paths: the system's bytes, shown as text.
inline QString FromLocalPath(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

inline std::string ToLocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace lexmill
