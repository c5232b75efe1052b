#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <functional>
#include <string>
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
    // Replaces the whole text of one of the main window's boxes with the
    // page's bytes. Called while the viewer is open, so the box shows the text
    // at once.
    using InsertInto = std::function<void(const std::string&)>;

    // `searchFor` stands for frmLM.Text1, `replaceWith` for frmLM.Text2; an
    // empty function makes its button do nothing.
    frmMeta(InsertInto searchFor, InsertInto replaceWith, QWidget* parent = nullptr);

    // The list in Text1, the page's bytes. Shown as plain text decoded as
    // UTF-8 (a byte that is not UTF-8 as U+FFFD); line breaks inside a tag are kept.
    void setListText(std::string bytes);
    const std::string& listText() const { return list_; }

    // Text1's selected text exactly as it is in the list: a CR LF stays CR LF,
    // a lone LF or CR stays itself and every byte stays as it was, so the
    // text still matches the file.
    std::string SelText() const;

    void Command1_Click();  // "&Done"
    void Command2_Click();  // into "Search For:"
    void Command3_Click();  // into "Replace With:"

  private:
    // The two insert buttons follow the selection (no polling timer).
    void UpdateButtons();
    InsertInto searchFor_;
    InsertInto replaceWith_;
    std::string list_;
    // Offset in list_ of each position in Text1's document (where a CR LF is
    // one position, and a byte that is not UTF-8 one U+FFFD), then its end.
    std::vector<std::size_t> byteAt_;
    bool mapped_ = true;  // false if the document did not take the list as expected

    QPlainTextEdit* Text1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command1;
};

}  // namespace lexmill
