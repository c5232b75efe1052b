#pragma once

#include <optional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace lexmill {

class BusyIndicators;
struct Module1;
struct frmLMControls;

// The text block Text4 that follows the clipboard while Check2 is ticked, and the exact text
// the program puts into Text1, Text2 and Text4.
class TextBlock {
  public:
    TextBlock(QWidget* window, Module1& m, const frmLMControls& ui, BusyIndicators& busy);

    // Sets the whole text of Text1, Text2 or Text4 and keeps its bytes exactly
    // (line breaks and bytes that are not UTF-8 included) for the search, the
    // replacement or the tally, until the user edits the box. The box shows it
    // decoded as UTF-8; of a long text only the start, with a last line that
    // says how much more there is (showing a megabyte line would freeze it).
    void SetBoxText(QPlainTextEdit* box, std::string bytes);
    // What a box stands for: the bytes kept by SetBoxText, or what it shows.
    std::string BoxText(const QPlainTextEdit* box) const;
    // Every change of the box; one the user made drops the kept text.
    void BoxEdited(const QPlainTextEdit* box);

    void Check2_Click();
    // The clipboard's text replaces the block's (the clipboard changed).
    void Timer2_Timer();
    // "View File in Text Block Window": the list's current file.
    void mnuFileVTB_Click();

  private:
    // A text put into a box by the program, kept exactly while the box shows it.
    struct KeptText {
        const QPlainTextEdit* box = nullptr;
        std::optional<std::string> exact;
        bool setting = false;  // SetBoxText is changing the box
    };
    KeptText& Kept(const QPlainTextEdit* box);

    QWidget* window_;
    Module1& m_;
    const frmLMControls& ui_;
    BusyIndicators& busy_;
    bool monitorOn_ = true;  // Timer2 enabled: the text block follows the clipboard
    std::vector<KeptText> kept_;
};

}  // namespace lexmill
