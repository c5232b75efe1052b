#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "CProgressBarEx.h"

namespace lexmill {

// The `Progress` property of a window with a progress panel: writing a value
// shows the bar at that point of the scale, 0 shows the panel's text again.
// The bar is made at the first write, from the window's picture box and
// status bar, and kept for the window's lifetime.
class ProgressProperty {
  public:
    ProgressProperty(PictureBox* client, QStatusBar* host,
                     const QString& panelKey = QStringLiteral("pnlProgress"));

    // `scale` is where the bar is full (ProgressMax, or the number of files);
    // a scale not above 0 keeps the previous one.
    void set(std::int64_t value, std::int64_t scale);
    // The value written last (0 before any write).
    std::int64_t get() const { return value_; }
    // The bar, once the first write made it.
    CProgressBarEx* bar() const { return bar_.get(); }

  private:
    PictureBox* client_;
    QStatusBar* host_;
    QString panelKey_;
    std::int64_t value_ = 0;
    std::unique_ptr<CProgressBarEx> bar_;
};

}  // namespace lexmill
