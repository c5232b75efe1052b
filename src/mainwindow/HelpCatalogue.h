#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

namespace lexmill {

// One page of the help, as listed in the contents.
struct HelpPage {
    QString file;     // name within the help resources, e.g. "options.html"
    int context = 0;  // topic number a window asks for
    QString title;    // the page's <title>
    // The page's index entries (<meta name="keywords">, ";"-separated); an
    // entry may name its section after a "#" ("TLS#Protocols"), else it leads
    // to the section of its first mention.
    QStringList keywords;
};

// One line of the index: a keyword and the page it leads to.
struct HelpIndexEntry {
    QString keyword;
    QString file;
    QString section;  // the heading it leads to, or "" for that of its first mention
};

// The help pages shipped in the program's resources (":/help/"): the contents
// in reading order, the topic numbers, and the keyword index gathered from the
// pages themselves, so a page and its index entries cannot drift apart.
class HelpCatalogue {
  public:
    static constexpr int kOverviewContext = 1;
    static constexpr int kOptionsContext = 64;  // the options dialog's Help

    HelpCatalogue();

    const std::vector<HelpPage>& Pages() const { return pages_; }
    // The page of a topic number; nullptr when there is none.
    const HelpPage* PageForContext(int context) const;
    const HelpPage* PageForFile(const QString& file) const;

    // Sorted by keyword, ignoring case.
    const std::vector<HelpIndexEntry>& Index() const { return index_; }
    // The first entry whose keyword starts with `text`, ignoring case and
    // surrounding blanks (as the index box finds while the user types);
    // nullptr when none does.
    const HelpIndexEntry* FindKeyword(const QString& text) const;

    // The page's text (UTF-8 HTML); empty when the page is not in the resources.
    static QString Html(const QString& file);
    static QUrl Url(const QString& file);
    // The page name of a help URL ("qrc:/help/x.html#a" gives "x.html").
    static QString FileOfUrl(const QUrl& url);

  private:
    std::vector<HelpPage> pages_;
    std::vector<HelpIndexEntry> index_;
};

}  // namespace lexmill
