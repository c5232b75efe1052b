#pragma once

class QEvent;
class QObject;
class QWidget;

namespace lexmill {

struct BatchOptions;
struct Module1;
struct frmLMControls;

// The search and replace panel's rules: its "Clear" links, the Make Backups messages, Search
// Only's hold on the replacement box, and when Start is enabled.
class SearchPanel {
  public:
    SearchPanel(QWidget* window, Module1& m, const frmLMControls& ui);

    void Check1_Click();
    void Check3_Click();
    void Label10_Click();
    void Label12_Click();
    void Text1_Change();
    void Text2_Change();
    void UpdateStartButton();
    // With "Regular Expression" ticked, whether the pattern (and its replacement)
    // can be used; if not, says why in an "Error" box and puts the cursor where
    // the pattern stops.
    bool PatternAccepted(const BatchOptions& options);
    // A mouse event on one of the "Clear" links, handled; false for any other event.
    bool LinkLabelEvent(QObject* watched, QEvent* event);

  private:
    QWidget* window_;
    Module1& m_;
    const frmLMControls& ui_;
};

}  // namespace lexmill
