#include "PictureBox.h"

namespace lexmill {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), backColor_(palette().button().color()) {
    hide();
}

void PictureBox::Cls() {
    image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(backColor_);
}

QImage& PictureBox::Image() {
    if (image_.size() != size().expandedTo(QSize(1, 1))) Cls();
    return image_;
}

}  // namespace lexmill
