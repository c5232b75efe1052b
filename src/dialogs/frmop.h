#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>

#include "CRegSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lexmill {

// "Lexmill Options": how the main window starts (folder and file filter).
// The dialog only stores the choices; the main window applies them at its
// next start. Make a new one for every opening, so it reads the store afresh:
//
//     frmop options(settingsFile, mainWindow);
//     options.setShowHelpTopic(...);
//     options.exec();
//
// With an owner it is modal to that window only, so a help window opened from
// its Help button stays usable.
class frmop : public QDialog {
    Q_OBJECT
  public:
    // The help topic of this dialog, for the help window.
    static constexpr int kHelpContext = 64;

    frmop(std::filesystem::path settingsFile, QWidget* parent = nullptr);

    // Shows a topic of the program's help; called by Help with kHelpContext.
    // Without one, Help does nothing.
    void setShowHelpTopic(std::function<void(int context)> showHelpTopic);

    // The option button of startup-folder choice `index` (0 to 2).
    QRadioButton* optstfl(int index) const { return optstfl_.at(index); }

    // Handlers.
    void optstfl_Click();
    void Combo1_Click();
    void Check1_Click();
    void Command1_Click();  // browse
    void Command3_Click();  // Save
    void Command4_Click();  // Cancel
    void Command5_Click();  // Help

  private:
    void BuildControls();
    void Form_Load();
    int SelectedOption() const;

    CRegSettings settings_;
    std::function<void(int)> showHelpTopic_;

    QGroupBox* Frame1;
    std::array<QRadioButton*, 3> optstfl_{};
    QLineEdit* Text1;
    QPushButton* Command1;
    QGroupBox* Frame2;
    QCheckBox* Check1;
    QLabel* Label1;
    QComboBox* Combo1;
    QLabel* Label3;
    QLineEdit* Text2;
    QPushButton* Command5;
    QPushButton* Command4;
    QPushButton* Command3;
};

}  // namespace lexmill
