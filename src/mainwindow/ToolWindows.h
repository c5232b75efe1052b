#pragma once

#include <filesystem>

class QWidget;

namespace lexmill {

class BusyIndicators;
struct BatchOptions;
class TextBlock;
struct Module1;
struct frmLMControls;

// The program's other windows as the menus open them: meta tag extractor, FTP upload,
// options, preview, help and About.
class ToolWindows {
  public:
    ToolWindows(QWidget* window, Module1& m, std::filesystem::path settingsFile,
                const frmLMControls& ui, TextBlock& texts, BusyIndicators& busy);

    // These two work on the selection already taken into Module1.
    void mnuToolsMeta_Click();
    void mnuToolsFTP_Click();
    void mnuEdtOp_Click();
    // Opens a preview of a run with `options` over the selection already taken into Module1.
    void mnuEdtPreview_Click(const BatchOptions& options);
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

  private:
    QWidget* window_;
    Module1& m_;
    std::filesystem::path settingsFile_;
    const frmLMControls& ui_;
    TextBlock& texts_;
    BusyIndicators& busy_;
};

}  // namespace lexmill
