#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace lexmill {

// A hidden off-screen bitmap as big as the widget, which the progress bar
// draws into before the status panel shows a copy of it.
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setBackColor(const QColor& color) { backColor_ = color; }
    QColor backColor() const { return backColor_; }

    // Clears the image to the background colour, at the widget's current size.
    void Cls();
    // The persistent image; reallocated (cleared) when the widget's size changed.
    QImage& Image();

  private:
    QColor backColor_;
    QImage image_;
};

}  // namespace lexmill
