#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace lexmill {

// The meta tag viewer: the tags of one page, one per line, from which the user
// copies a selection into the main window's "Search For:" or "Replace With:"
// box. Modal; make a new one for every run (RunMetaTagExtractor does).
class frmMeta : public QDialog {
    Q_OBJECT
  public:
    // Replaces the whole text of one of the main window's boxes. Called while
    // the viewer is open, so the box shows the text at once.
    using InsertInto = std::function<void(const QString&)>;

    // `searchFor` stands for frmLM.Text1, `replaceWith` for frmLM.Text2; an
    // empty function makes its button do nothing.
    frmMeta(InsertInto searchFor, InsertInto replaceWith, QWidget* parent = nullptr);

    // The list in Text1. Shown as plain text; line breaks inside a tag are kept.
    void setListText(const QString& text);
    QString listText() const { return list_; }

    // Text1's selected text exactly as it is in the list: a CR LF stays CR LF
    // and a lone LF or CR stays itself, so the text still matches the file.
    QString SelText() const;

    void Command1_Click();  // "&Done"
    void Command2_Click();  // into "Search For:"
    void Command3_Click();  // into "Replace With:"

  private:
    // The two insert buttons follow the selection (no polling timer).
    void UpdateButtons();
    // Position in list_ of a position in Text1's document, where a CR LF is one.
    qsizetype ListOffset(int documentPosition) const;

    InsertInto searchFor_;
    InsertInto replaceWith_;
    QString list_;
    std::vector<int> crLfAt_;  // document positions of line breaks that are CR LF in list_
    bool mapped_ = true;       // false if the document did not take list_ as expected

    QPlainTextEdit* Text1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command1;
};

}  // namespace lexmill
