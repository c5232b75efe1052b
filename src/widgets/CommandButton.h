#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace lexmill {

// A dialog's push button, found by its objectName; it never becomes the
// default button by taking the focus, so Enter only presses an explicit default.
QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent);

}  // namespace lexmill
