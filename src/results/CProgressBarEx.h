#pragma once

#include <QColor>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <cstdint>

#include "PictureBox.h"
#include "ProgressBarError.h"
#include "StatusPanel.h"

namespace lexmill {

// A segmented progress bar (a row of equal blocks filled from the left) drawn
// into the off-screen picture box `Client` and shown as the picture of the
// panel `PanelKey` of the status bar `Host`. With `TextOnly` the panel shows
// its own text instead. The bar is redrawn only when the number of filled
// blocks changes, so frequent Value updates cost nothing between steps.
class CProgressBarEx {
  public:
    CProgressBarEx();

    // Throws ProgressBarError 13 unless `client` is a PictureBox.
    void setClient(QWidget* client);
    PictureBox* Client() const { return client_; }
    // Throws ProgressBarError 13 unless `host` is a QStatusBar.
    void setHost(QWidget* host);
    QStatusBar* Host() const { return host_; }
    void setPanelKey(const QString& key) { panelKey_ = key; }
    const QString& PanelKey() const { return panelKey_; }

    void setTextOnly(bool textOnly);
    bool TextOnly() const { return textOnly_; }
    // Kept within Min..Max.
    void setValue(std::int64_t value);
    std::int64_t Value() const { return value_; }
    // Throws ProgressBarError 0x80040002 when not below Max.
    void setMin(std::int64_t min);
    std::int64_t Min() const { return min_; }
    // Ignored when not above Min (a run whose scale is 0 keeps the previous one).
    void setMax(std::int64_t max);
    std::int64_t Max() const { return max_; }
    void setForeColor(const QColor& color);
    QColor ForeColor() const { return foreColor_; }
    void setBackColor(const QColor& color);
    QColor BackColor() const { return backColor_; }

    void Refresh(bool clearFirst = false);
    // Recomputes the blocks for the picture box's current size.
    void Resize();
    // Fits the picture box to the host panel, then lays out the blocks.
    void ResizeEx();

    // The layout, in pixels of the picture box.
    int blockHeight() const { return blockHeight_; }
    int blockWidth() const { return blockWidth_; }
    int blockCount() const { return blockCount_; }
    int lastFilled() const { return lastFilled_; }
    static constexpr int margin = 2;
    static constexpr int gap = 3;

    // Filled blocks for a value on a scale, rounded to the nearest, halves to even.
    static int FilledBlocks(std::int64_t value, std::int64_t min, std::int64_t max, int blockCount);

  private:
    StatusPanel* panel() const;
    void CalcLayout();
    void DrawBar(bool force = false);

    QPointer<PictureBox> client_;
    QPointer<QStatusBar> host_;
    QString panelKey_;
    bool textOnly_ = false;
    std::int64_t value_ = 0;
    std::int64_t min_ = 0;
    std::int64_t max_ = 100;
    QColor foreColor_;
    QColor backColor_;

    int blockHeight_ = 0;
    int blockWidth_ = 0;
    int blockCount_ = 0;
    int lastFilled_ = 0;
};

}  // namespace lexmill
