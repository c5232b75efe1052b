#include "FileListBox.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QItemSelection>
#include <QRegularExpression>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "TextConvert.h"

namespace lexmill {

namespace {

// A case-folded pattern as a regular expression: "*" and "?" are wildcards,
// every other character stands for itself ("[" included).
QRegularExpression WildcardRegex(QString foldedPattern) {
    foldedPattern.replace(QLatin1Char('['), QStringLiteral("[[]"));
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(foldedPattern));
}

// The ";"-separated patterns, case-folded; "*.*" stands for every name.
struct Patterns {
    bool everyName = false;
    std::vector<QRegularExpression> wildcards;

    explicit Patterns(const QString& patterns) {
        for (const QString& pattern :
             patterns.toCaseFolded().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (pattern == QLatin1String("*.*")) everyName = true;
            wildcards.push_back(WildcardRegex(pattern));
        }
    }
    bool Match(const QString& foldedName) const {
        if (everyName) return true;
        for (const QRegularExpression& wildcard : wildcards)
            if (wildcard.match(foldedName).hasMatch()) return true;
        return false;
    }
};

}  // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("File1"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    path_ = QDir::cleanPath(QDir::currentPath());
    Refresh();
}

bool FileListBox::setPath(const QString& folder) {
    if (folder.isEmpty()) return false;
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!QFileInfo(clean).isDir()) return false;
    const bool changed = clean != path_;
    path_ = clean;
    Refresh();
    if (changed) emit PathChange();
    return true;
}

void FileListBox::setPattern(const QString& pattern) {
    const bool changed = pattern != pattern_;
    pattern_ = pattern;
    Refresh();
    if (changed) emit PatternChange();
}

QString FileListBox::FileName() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

bool FileListBox::MatchesPattern(const QString& name, const QString& pattern) {
    return Patterns(pattern).Match(name.toCaseFolded());
}

void FileListBox::Refresh() {
    const Patterns patterns(pattern_);
    struct Entry {
        QString folded;
        QString name;
    };
    std::vector<Entry> entries;

    std::error_code ec;
    std::filesystem::directory_iterator it(ToLocalPath(path_), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string raw = it->path().filename().native();
        if (raw.empty() || raw[0] == '.') continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;  // follows links; dangling ones fail
        QString name = FromLocalPath(raw);
        QString folded = name.toCaseFolded();
        if (!patterns.Match(folded)) continue;
        entries.push_back({std::move(folded), std::move(name)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.folded != b.folded) return a.folded < b.folded;
        return a.name < b.name;
    });

    QStringList names;
    names.reserve(static_cast<qsizetype>(entries.size()));
    for (Entry& e : entries) names << std::move(e.name);
    setUpdatesEnabled(false);
    clear();
    addItems(names);
    setUpdatesEnabled(true);
}

int FileListBox::SelCount() const {
    int count = 0;
    for (const QItemSelectionRange& range : selectionModel()->selection()) count += range.height();
    return count;
}

QStringList FileListBox::SelectedNames() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    QStringList names;
    names.reserve(static_cast<qsizetype>(rows.size()));
    for (int row : rows) names << item(row)->text();
    return names;
}

int FileListBox::FindExact(const QString& name) const {
    int caseless = -1;
    for (int row = 0; row < count(); ++row) {
        const QString& text = item(row)->text();
        if (text == name) return row;
        if (caseless < 0 && text.compare(name, Qt::CaseInsensitive) == 0) caseless = row;
    }
    return caseless;
}

void FileListBox::SelectOnly(const QStringList& names) {
    // One pass over the list and one over the names, whatever their sizes.
    // An exact match wins over one that differs in case: on Linux "a.txt"
    // and "A.txt" may both be listed.
    QHash<QString, int> exact, caseless;
    exact.reserve(count());
    caseless.reserve(count());
    for (int row = count() - 1; row >= 0; --row) {  // backwards: the first row wins
        const QString text = item(row)->text();
        exact.insert(text, row);
        caseless.insert(text.toCaseFolded(), row);
    }

    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(names.size()));
    for (const QString& name : names) {
        int row = exact.value(name, -1);
        if (row < 0) row = caseless.value(name.toCaseFolded(), -1);
        if (row >= 0) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());

    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] <= rows[j] + 1) ++j;
        selection.select(model()->index(rows[i], 0), model()->index(rows[j], 0));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

int FileListBox::ItemFromPoint(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

}  // namespace lexmill
