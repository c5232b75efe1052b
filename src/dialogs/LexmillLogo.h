#pragma once

#include <QPixmap>

namespace lexmill {

// The program's logo, drawn rather than stored: a page of text under a
// magnifying glass, `size` pixels square.
QPixmap LexmillLogo(int size);

}  // namespace lexmill
