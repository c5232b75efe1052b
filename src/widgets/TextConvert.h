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

// File names and paths: the system's bytes, shown as text. Bytes that are not
// UTF-8 show as U+FFFD, so ToLocalPath of the text is not the name again: code
// that reaches the file keeps the bytes themselves.
inline QString FromLocalPath(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

inline std::string ToLocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A target for ShellOpen that names the file at `bytes` exactly: the path
// itself when its text gives back the same bytes, otherwise a "file:" address
// with the bytes percent-encoded.
inline QString LocalFileTarget(const std::string& bytes) {
    const QString text = FromLocalPath(bytes);
    if (ToLocalPath(text) == bytes) return text;
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QStringLiteral("file://") + QString::fromLatin1(raw.toPercentEncoding("/"));
}

}  // namespace lexmill
