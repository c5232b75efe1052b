#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest show a QString (and lists of them) as text in its messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
