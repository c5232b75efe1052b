#pragma once

#include <QDialog>
#include <QString>
#include <string_view>

class QLabel;
class QListWidget;
class QPushButton;

namespace lexmill {

class SelectableFileList;

// The results window shown after a batch run: the files concerned, the run's
// summary, and four actions on that list. The batch run fills it while it is
// hidden, then shows it modally (exec). Make a new one for every run.
class Form3 : public QDialog {
    Q_OBJECT
  public:
    // `fileList` is the main window's file list (may be null: then viewing and
    // selecting do nothing); `editor` the program that stands in for Notepad.
    Form3(SelectableFileList* fileList, const QString& editor, QWidget* parent = nullptr);
    ~Form3() override;

    void addResult(const QString& name);
    // A name given as the system's bytes: shown as text, used as the bytes.
    void addLocalResult(std::string_view name);
    void setHeading(const QString& text);
    void setSummary(const QString& text);
    // Shows the "Undo" button, for a run that can be undone; pressing it
    // closes the window with UndoChosen() true.
    void OfferUndo();
    bool UndoChosen() const { return undoChosen_; }

    // The handlers of the four buttons.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void cmdUndo_Click();

  private:
    void UpdateButtons();
    bool ListIsNone() const;

    SelectableFileList* fileList_;
    QString editor_;

    QLabel* Label1;
    QListWidget* List1;
    QLabel* Label2;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* cmdUndo;
    bool undoChosen_ = false;
};

}  // namespace lexmill
