#pragma once

#include <filesystem>

#include "CRegSettings.h"

class QWidget;

namespace lexmill {

class FileSelection;
struct frmLMControls;

// Start-up and closing: the "Options" settings read into the filter, the folder and the
// check boxes, and saved from them when the window closes.
class SavedOptions {
  public:
    SavedOptions(QWidget* window, std::filesystem::path settingsFile, const frmLMControls& ui,
                 FileSelection& files);

    // Every step that cannot be applied (a folder that is gone, an index out
    // of range, a check box value that is no number) is skipped, and the next runs.
    void Form_Load();
    bool IsLoading() const { return isLoading_; }

    // The first close only: closes the program's other windows and saves the options.
    bool Unloaded() const { return unloaded_; }
    void Form_QueryUnload();
    void Form_Unload();

  private:
    void ChooseStartupFilter();
    void ChooseStartupFolder();
    void RestoreCheckBoxes();

    QWidget* window_;
    CRegSettings settings_;
    const frmLMControls& ui_;
    FileSelection& files_;
    bool isLoading_ = false;
    bool unloaded_ = false;
};

}  // namespace lexmill
