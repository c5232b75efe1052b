#pragma once

#include <cstdint>
#include <optional>

class QWidget;

namespace lexmill {

class BusyIndicators;
class TextBlock;
struct Module1;
struct TallyCounts;
struct frmLMControls;

// The two tally panels: the file tally of the list's current file and the text block's tally.
class TallyPanels {
  public:
    TallyPanels(QWidget* window, Module1& m, const frmLMControls& ui, const TextBlock& texts,
                BusyIndicators& busy);

    // The file tally, on the selection already taken into Module1.
    void Command6_Click();
    void Command4_Click();
    void Text4_Change();
    void ClearFileTally();
    void UpdateTallyButton();

  private:
    std::optional<std::int64_t> FileTally();
    std::int64_t TextTally();
    std::int64_t FinishTally(const TallyCounts& counts);
    void ShowTextTally(std::int64_t words);

    QWidget* window_;
    Module1& m_;
    const frmLMControls& ui_;
    const TextBlock& texts_;
    BusyIndicators& busy_;
};

}  // namespace lexmill
