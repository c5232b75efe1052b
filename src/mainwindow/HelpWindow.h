#pragma once

#include <QString>
#include <QWidget>

#include "HelpCatalogue.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTextBrowser;
class QToolButton;

namespace lexmill {

// "Lexmill Help": the help pages with a contents list and a keyword index
// beside the page. One help window serves the whole program; it is a window
// of its own, so it stays usable while a modal dialog is open, and closing it
// never ends the program.
class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    const HelpCatalogue& Catalogue() const { return catalogue_; }

    // Shows a page of the contents ("options.html"); returns false, leaving the
    // page shown, when there is no such page.
    bool ShowPage(const QString& file);
    // Shows the page of a topic number, or the overview for an unknown one.
    void ShowContext(int context);
    void ShowContentsTab();
    void ShowIndexTab();
    // The page shown ("options.html").
    QString CurrentPage() const;

    QTabWidget* Tabs;
    QListWidget* ContentsList;
    QLineEdit* IndexText;
    QListWidget* IndexList;
    QToolButton* BackButton;
    QToolButton* ForwardButton;
    QTextBrowser* Browser;

  private:
    void BuildControls();
    void FillLists();
    void IndexText_Changed(const QString& text);
    void IndexItem_Open(QListWidgetItem* item);
    // Scrolls the page to `section` (a heading's text) or, with none, to the
    // section that first tells of `keyword`.
    void ShowSection(const QString& keyword, const QString& section);
    void ContentsItem_Open(QListWidgetItem* item);
    void Browser_SourceChanged();

    HelpCatalogue catalogue_;
};

// Help > Contents: opens the help window (or brings it forward) on its
// contents. `parent` only places a new window over the caller; it may be null.
HelpWindow* ShowHelpContents(QWidget* parent);
// Opens the help window on the page of a topic number (64: the options
// dialog); an unknown number shows the overview.
HelpWindow* ShowHelpTopic(QWidget* parent, int context);

}  // namespace lexmill
