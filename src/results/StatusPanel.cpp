#include "StatusPanel.h"

#include <QFontMetrics>
#include <QPainter>

namespace lexmill {

StatusPanel::StatusPanel(const QString& key, int width, QWidget* parent) : QWidget(parent) {
    setObjectName(key);
    if (width > 0) setFixedWidth(width);
}

void StatusPanel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void StatusPanel::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void StatusPanel::clearPicture() {
    picture_ = QPixmap();
    update();
}

QSize StatusPanel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 8, metrics.height() + 4};
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (hasPicture()) {
        // The picture is made to fit with 2 pixels to spare on each side.
        const int pictureHeight = picture_.deviceIndependentSize().toSize().height();
        painter.drawPixmap(2, (height() - pictureHeight) / 2, picture_);
        return;
    }
    const QRect area = rect().adjusted(3, 0, -3, 0);
    const QString shown = fontMetrics().elidedText(text_, Qt::ElideRight, area.width());
    painter.setPen(palette().windowText().color());
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

}  // namespace lexmill
