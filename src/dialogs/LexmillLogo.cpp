#include "LexmillLogo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace lexmill {

QPixmap LexmillLogo(int size) {
    QPixmap logo(size, size);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);  // drawn on a 64 x 64 grid

    // The page, with a folded corner.
    QPainterPath page;
    page.moveTo(10, 4);
    page.lineTo(40, 4);
    page.lineTo(52, 16);
    page.lineTo(52, 60);
    page.lineTo(10, 60);
    page.closeSubpath();
    QLinearGradient paper(0, 0, 0, 64);
    paper.setColorAt(0, QColor(255, 255, 255));
    paper.setColorAt(1, QColor(226, 234, 222));
    p.setPen(QPen(QColor(46, 84, 52), 2));
    p.setBrush(paper);
    p.drawPath(page);
    p.drawLine(QPointF(40, 4), QPointF(40, 16));
    p.drawLine(QPointF(40, 16), QPointF(52, 16));

    // Lines of text.
    p.setPen(QPen(QColor(120, 140, 120), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int y = 24; y <= 52; y += 7) p.drawLine(QPointF(16, y), QPointF(y < 30 ? 34 : 46, y));

    // The magnifying glass over the page, its lens tinted bramble red.
    p.setPen(QPen(QColor(92, 38, 60), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(47, 47), QPointF(60, 60));
    p.setPen(QPen(QColor(92, 38, 60), 3.5));
    p.setBrush(QColor(190, 70, 110, 70));
    p.drawEllipse(QPointF(38, 38), 11, 11);
    return logo;
}

}  // namespace lexmill
