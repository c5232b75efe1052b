#pragma once

#include <QString>
#include <functional>
#include <string>

class QEvent;
class QObject;
class QPoint;
class QWidget;

namespace lexmill {

struct Module1;
struct frmLMControls;

// The file selection: the folder and its label, the filters, the list's tooltip and right
// button, and the commands that open the selected file outside the program.
class FileSelection {
  public:
    using PopupMenu = std::function<void(const QPoint& globalPos)>;

    // `popup` opens the list's menu where the right button was released.
    FileSelection(QWidget* window, Module1& m, const frmLMControls& ui, QString textEditor,
                  PopupMenu popup);

    // Takes the selected-files collection from File1 into Module1.
    void GetSelectedFiles();
    // Lists `folder`; a folder that is gone leaves the list where it is.
    void SetFolder(const std::string& folder);
    // The work folder label shows File1's folder.
    void ShowFolder();
    // After a listing of subfolders: a "Warning" box names each folder it
    // could not read, since the files there are missing from the list.
    void SayUnreadableFolders();

    void Combo1_Click();
    void Text3_Change();
    // True when the list's current file is another than at the last click.
    bool File1_Click();
    void Command1_Click();
    void Command5_Click();
    void Command2_Click();
    void mnuFileOpenDA_Click();
    void mnuFileOpenNp_Click();
    void UpdateFileToolTip(const QPoint& viewportPos);
    void UpdateSelectionPanel();
    void UpdateFolderLabel();
    // While a listing of subfolders fills the list, the first status panel
    // counts its files; then it rests again.
    void UpdateListingStatus();
    // An event of the list that it handled (tooltip, right button); false for any other.
    bool ListEvent(QObject* watched, QEvent* event);

  private:
    QWidget* window_;
    Module1& m_;
    const frmLMControls& ui_;
    QString textEditor_;
    PopupMenu popup_;
    QString LastFile;
    bool listingShown_ = false;
};

}  // namespace lexmill
