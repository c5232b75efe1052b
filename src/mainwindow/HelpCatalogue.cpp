#include "HelpCatalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>
#include <algorithm>

// The pages are compiled into a static library: registering them by hand keeps
// the linker from dropping them.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace lexmill {

namespace {

struct ContentsLine {
    const char* file;
    int context;
};

// The contents, in reading order, with each page's topic number.
constexpr ContentsLine kContents[] = {
    {"overview.html", HelpCatalogue::kOverviewContext},
    {"workfolder.html", 2},
    {"selecting.html", 3},
    {"searchreplace.html", 4},
    {"results.html", 5},
    {"preview.html", 15},
    {"tally.html", 6},
    {"textblock.html", 7},
    {"metatags.html", 8},
    {"ftp.html", 9},
    {"favorites.html", 10},
    {"options.html", HelpCatalogue::kOptionsContext},
    {"tray.html", 11},
    {"menus.html", 12},
    {"batch.html", 13},
    {"undo.html", 14},
};

QString Title(const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    return document.metaInformation(QTextDocument::DocumentTitle).trimmed();
}

QStringList Keywords(const QString& html) {
    static const QRegularExpression meta(
        QStringLiteral(R"re(<meta\s+name="keywords"\s+content="([^"]*)")re"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList keywords;
    const QRegularExpressionMatch match = meta.match(html);
    if (!match.hasMatch()) return keywords;
    for (const QString& keyword : match.captured(1).split(QLatin1Char(';'))) {
        const QString trimmed = keyword.trimmed();
        if (!trimmed.isEmpty()) keywords << trimmed;
    }
    return keywords;
}

}  // namespace

HelpCatalogue::HelpCatalogue() {
    static const bool registered = (InitHelpResources(), true);
    (void)registered;
    for (const ContentsLine& line : kContents) {
        HelpPage page;
        page.file = QString::fromLatin1(line.file);
        page.context = line.context;
        const QString html = Html(page.file);
        page.title = Title(html);
        page.keywords = Keywords(html);
        for (const QString& keyword : page.keywords) {
            const qsizetype hash = keyword.indexOf(QLatin1Char('#'));
            if (hash < 0)
                index_.push_back({keyword, page.file, {}});
            else
                index_.push_back(
                    {keyword.left(hash).trimmed(), page.file, keyword.mid(hash + 1).trimmed()});
        }
        pages_.push_back(std::move(page));
    }
    std::stable_sort(index_.begin(), index_.end(),
                     [](const HelpIndexEntry& a, const HelpIndexEntry& b) {
                         return a.keyword.compare(b.keyword, Qt::CaseInsensitive) < 0;
                     });
}

const HelpPage* HelpCatalogue::PageForContext(int context) const {
    for (const HelpPage& page : pages_)
        if (page.context == context) return &page;
    return nullptr;
}

const HelpPage* HelpCatalogue::PageForFile(const QString& file) const {
    for (const HelpPage& page : pages_)
        if (page.file == file) return &page;
    return nullptr;
}

const HelpIndexEntry* HelpCatalogue::FindKeyword(const QString& text) const {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) return nullptr;
    for (const HelpIndexEntry& entry : index_)
        if (entry.keyword.startsWith(wanted, Qt::CaseInsensitive)) return &entry;
    return nullptr;
}

QString HelpCatalogue::Html(const QString& file) {
    QFile page(QStringLiteral(":/help/") + file);
    if (file.isEmpty() || !page.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(page.readAll());
}

QUrl HelpCatalogue::Url(const QString& file) {
    return QUrl(QStringLiteral("qrc:/help/") + file);
}

QString HelpCatalogue::FileOfUrl(const QUrl& url) {
    if (url.scheme() != QLatin1String("qrc") || !url.path().startsWith(QLatin1String("/help/")))
        return {};
    return url.fileName();
}

}  // namespace lexmill
