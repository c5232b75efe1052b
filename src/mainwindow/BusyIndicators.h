#pragma once

#include <cstdint>
#include <memory>

namespace lexmill {

class ProgressProperty;
struct Module1;
struct frmLMControls;

// What shows that the window is busy: the progress bar in the status bar (the window's
// Progress property) and the hourglass.
class BusyIndicators {
  public:
    BusyIndicators(Module1& m, const frmLMControls& ui);
    ~BusyIndicators();  // gives back every hourglass still shown

    // The bar against Module1::ProgressMax; 0 removes it.
    std::int64_t Progress() const;
    void setProgress(std::int64_t value);
    // Nested: each `true` needs its `false`.
    void setWaitCursor(bool on);

  private:
    Module1& m_;
    const frmLMControls& ui_;
    std::unique_ptr<ProgressProperty> progress_;
    int waitCursors_ = 0;
};

}  // namespace lexmill
