#include "CProgressBarEx.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "RoundHalfEven.h"

namespace lexmill {

namespace {
QString Translate(const char* text) {
    return QCoreApplication::translate("CProgressBarEx", text);
}
}  // namespace

CProgressBarEx::CProgressBarEx()
    : foreColor_(QGuiApplication::palette().highlight().color()),
      backColor_(QGuiApplication::palette().button().color()) {}

void CProgressBarEx::setClient(QWidget* client) {
    auto* box = qobject_cast<PictureBox*>(client);
    if (!box)
        throw ProgressBarError(ProgressBarError::TypeMismatch,
                               QStringLiteral("CProgressBarEx.Client"),
                               Translate("Client property must be of type PictureBox."));
    client_ = box;
    box->setBackColor(backColor_);
    box->setEnabled(false);
    box->setFocusPolicy(Qt::NoFocus);
    box->hide();
    ResizeEx();
}

void CProgressBarEx::setHost(QWidget* host) {
    auto* bar = qobject_cast<QStatusBar*>(host);
    if (!bar)
        throw ProgressBarError(ProgressBarError::TypeMismatch,
                               QStringLiteral("CProgressBarEx.Host"),
                               Translate("Host property must be of type StatusBar."));
    host_ = bar;
    if (client_) ResizeEx();
}

StatusPanel* CProgressBarEx::panel() const {
    if (!host_ || panelKey_.isEmpty()) return nullptr;
    return host_->findChild<StatusPanel*>(panelKey_);
}

void CProgressBarEx::setTextOnly(bool textOnly) {
    const bool wasTextOnly = textOnly_;
    textOnly_ = textOnly;
    if (textOnly) {
        if (StatusPanel* p = panel()) p->clearPicture();
        if (host_) host_->update();
        return;
    }
    // When the panel showed its text until now, the bar must come back even
    // if the number of filled blocks is the one drawn last. Otherwise (the
    // windows set TextOnly on every progress step) nothing is redrawn.
    const StatusPanel* p = panel();
    DrawBar(wasTextOnly || (p && !p->hasPicture()));
}

void CProgressBarEx::setValue(std::int64_t value) {
    value_ = std::clamp(value, min_, max_);
    Refresh();
}

void CProgressBarEx::setMin(std::int64_t min) {
    if (min >= max_)
        throw ProgressBarError(ProgressBarError::ObjectError + 2,
                               QStringLiteral("CProgressBar.Min"),
                               Translate("Min property must be less than Max."));
    min_ = min;
    Refresh();
}

void CProgressBarEx::setMax(std::int64_t max) {
    if (max <= min_) return;
    max_ = max;
    Refresh();
}

void CProgressBarEx::setForeColor(const QColor& color) {
    foreColor_ = color;
    if (client_) DrawBar(true);
}

void CProgressBarEx::setBackColor(const QColor& color) {
    backColor_ = color;
    if (client_) {
        // A new background clears the picture, gaps and margins included.
        client_->setBackColor(color);
        client_->Cls();
        DrawBar(true);
    }
}

void CProgressBarEx::Refresh(bool clearFirst) {
    if (!client_) return;
    if (clearFirst) client_->Cls();
    DrawBar();
}

void CProgressBarEx::Resize() {
    CalcLayout();
    Refresh(true);
}

void CProgressBarEx::ResizeEx() {
    if (!client_) return;
    if (StatusPanel* p = panel())
        client_->resize(std::max(0, p->width() - 4), std::max(0, host_->height() - 4));
    CalcLayout();

    // Of the two block counts around the picture's width, take the one whose
    // total width is nearer; on a tie, the smaller.
    const int pitch = blockWidth_ + gap;
    int total = blockCount_ * pitch + gap;
    const int width = client_->width();
    if (blockCount_ > 0 && width - (total - pitch) <= total - width) {
        --blockCount_;
        total = blockCount_ * pitch + gap;
    }
    client_->resize(total, client_->height());

    // A changed layout must reach a bar that is showing, whatever its count.
    const StatusPanel* p = panel();
    client_->Cls();
    DrawBar(p && p->hasPicture());
}

void CProgressBarEx::CalcLayout() {
    blockHeight_ = client_->height() - 2 * margin;
    if (blockHeight_ < 1) {
        // Too low for any block: an empty bar.
        blockHeight_ = blockWidth_ = blockCount_ = 0;
        return;
    }
    blockWidth_ = static_cast<int>(RoundHalfEven(blockHeight_ * 2, 3));
    blockCount_ = client_->width() / (gap + blockWidth_) + 1;
}

int CProgressBarEx::FilledBlocks(std::int64_t value, std::int64_t min, std::int64_t max,
                                 int blockCount) {
    // Min or Max may have moved past Value since it was set.
    const __int128 offset = static_cast<__int128>(std::clamp(value, min, max)) - min;
    const __int128 range = static_cast<__int128>(max) - min;
    return static_cast<int>(RoundHalfEven(offset * blockCount, range));
}

void CProgressBarEx::DrawBar(bool force) {
    if (textOnly_ || !client_) return;
    const int filled = FilledBlocks(value_, min_, max_, blockCount_);
    if (filled == lastFilled_ && !force) return;
    lastFilled_ = filled;

    QImage& image = client_->Image();
    {
        QPainter painter(&image);
        int x = margin;
        for (int i = 0; i < blockCount_; ++i) {
            // Corners (x, margin) and (x + width, margin + height - 1), both included.
            painter.fillRect(
                QRect(QPoint(x, margin), QPoint(x + blockWidth_, margin + blockHeight_ - 1)),
                i < filled ? foreColor_ : backColor_);
            x += gap + blockWidth_;
        }
    }
    if (StatusPanel* p = panel()) p->setPicture(QPixmap::fromImage(image));
    if (host_) host_->update();
}

}  // namespace lexmill
