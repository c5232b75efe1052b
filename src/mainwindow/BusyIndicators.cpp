#include "BusyIndicators.h"

#include <QApplication>

#include "ProgressProperty.h"
#include "batch/Module1.h"
#include "frmLMControls.h"

namespace lexmill {

BusyIndicators::BusyIndicators(Module1& m, const frmLMControls& ui) : m_(m), ui_(ui) {}

BusyIndicators::~BusyIndicators() {
    while (waitCursors_ > 0) setWaitCursor(false);
}

std::int64_t BusyIndicators::Progress() const {
    return progress_ ? progress_->get() : 0;
}

void BusyIndicators::setProgress(std::int64_t value) {
    if (!progress_)
        progress_ = std::make_unique<ProgressProperty>(ui_.picProgress, ui_.sbStatusbar);
    progress_->set(value, m_.ProgressMax);
}

void BusyIndicators::setWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursors_;
    } else if (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

}  // namespace lexmill
