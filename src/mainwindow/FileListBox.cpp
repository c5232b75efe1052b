#include "FileListBox.h"

#include <QHash>
#include <QItemSelection>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "FolderListing.h"
#include "TextConvert.h"
#include "files/NameOrder.h"

namespace lexmill {

namespace {

// The item role that keeps a name's bytes.
constexpr int kLocalName = Qt::UserRole;

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
    std::error_code ec;
    localPath_ = std::filesystem::current_path(ec).native();
    path_ = FromLocalPath(localPath_);
    Refresh();
}

FileListBox::~FileListBox() = default;

bool FileListBox::setPath(const QString& folder) {
    return setLocalPath(ToLocalPath(folder));
}

bool FileListBox::setLocalPath(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    std::string clean = std::filesystem::absolute(folder, ec).lexically_normal().native();
    if (ec) return false;
    if (clean.size() > 1 && clean.back() == '/') clean.pop_back();
    if (!std::filesystem::is_directory(clean, ec)) return false;
    const bool changed = clean != localPath_;
    localPath_ = std::move(clean);
    path_ = FromLocalPath(localPath_);
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

std::string FileListBox::LocalName(int row) const {
    const QListWidgetItem* it = item(row);
    if (!it) return {};
    const QVariant bytes = it->data(kLocalName);
    return bytes.isValid() ? bytes.toByteArray().toStdString() : ToLocalPath(it->text());
}

std::string FileListBox::FileLocalName() const {
    return currentItem() ? LocalName(currentRow()) : std::string();
}

std::string FileListBox::FileLocalPath() const {
    if (!currentItem()) return {};
    return localPath_ + (localPath_.ends_with('/') ? "" : "/") + FileLocalName();
}

bool FileListBox::MatchesPattern(const QString& name, const QString& pattern) {
    return Patterns(pattern).Match(name.toCaseFolded());
}

std::function<bool(const QString&)> FileListBox::PatternMatcher(const QString& pattern) {
    return [patterns = std::make_shared<const Patterns>(pattern)](const QString& name) {
        return patterns->Match(name.toCaseFolded());
    };
}

void FileListBox::setRecursive(bool recursive) {
    if (recursive == recursive_) return;
    recursive_ = recursive;
    Refresh();
}

void FileListBox::Refresh() {
    listing_.reset();
    unreadable_.clear();
    linksOut_ = 0;
    clear();
    if (recursive_) {
        // The walk announces found names from its thread; they are taken
        // here, on the list's. A listing dropped meanwhile is waited for in
        // its destructor, so `this` outlives every announcement.
        listing_ = std::make_unique<FolderListing>(localPath_, pattern_, [this] {
            QMetaObject::invokeMethod(this, &FileListBox::TakeFound, Qt::QueuedConnection);
        });
        return;
    }
    const Patterns patterns(pattern_);
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(localPath_, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string raw = it->path().filename().native();
        if (raw.empty() || raw[0] == '.') continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;  // follows links; dangling ones fail
        if (!patterns.Match(FromLocalPath(raw).toCaseFolded())) continue;
        names.push_back(std::move(raw));
    }
    SortNames(names);
    AddItems(names);
}

void FileListBox::TakeFound() {
    if (!listing_) return;  // announced by a listing dropped since
    // Some thousands at a time, so that the window answers between them.
    bool finished = false, more = false;
    AddItems(listing_->Take(4096, finished, more));
    if (more) QMetaObject::invokeMethod(this, &FileListBox::TakeFound, Qt::QueuedConnection);
    if (!finished) return;
    for (const std::string& folder : listing_->Unreadable()) unreadable_ << FromLocalPath(folder);
    linksOut_ = listing_->LinksLeadingOut();
    listing_.reset();
    emit ListingDone();
}

void FileListBox::AddItems(const std::vector<std::string>& names) {
    if (names.empty()) return;
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& raw : names) texts << FromLocalPath(raw);
    const int first = count();
    setUpdatesEnabled(false);
    addItems(texts);
    {
        // Only the bytes behind each text are added: nothing to show anew.
        const QSignalBlocker quiet(model());
        for (std::size_t i = 0; i < names.size(); ++i)
            item(first + static_cast<int>(i))
                ->setData(kLocalName,
                          QByteArray(names[i].data(), static_cast<qsizetype>(names[i].size())));
    }
    setUpdatesEnabled(true);
}

int FileListBox::SelCount() const {
    int count = 0;
    for (const QItemSelectionRange& range : selectionModel()->selection()) count += range.height();
    return count;
}

std::vector<int> FileListBox::SelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList FileListBox::SelectedNames() const {
    const std::vector<int> rows = SelectedRows();
    QStringList names;
    names.reserve(static_cast<qsizetype>(rows.size()));
    for (int row : rows) names << item(row)->text();
    return names;
}

std::vector<std::string> FileListBox::SelectedLocalNames() const {
    const std::vector<int> rows = SelectedRows();
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (int row : rows) names.push_back(LocalName(row));
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
    std::vector<std::string> local;
    local.reserve(static_cast<size_t>(names.size()));
    for (const QString& name : names) local.push_back(ToLocalPath(name));
    SelectOnlyLocal(local);
}

void FileListBox::SelectOnlyLocal(const std::vector<std::string>& names) {
    // One pass over the list and one over the names, whatever their sizes.
    // An exact match wins over one that differs in case: on Linux "a.txt"
    // and "A.txt" may both be listed.
    QHash<QByteArray, int> exact;
    QHash<QString, int> caseless;
    exact.reserve(count());
    caseless.reserve(count());
    for (int row = count() - 1; row >= 0; --row) {  // backwards: the first row wins
        exact.insert(QByteArray::fromStdString(LocalName(row)), row);
        caseless.insert(item(row)->text().toCaseFolded(), row);
    }

    std::vector<int> rows;
    rows.reserve(names.size());
    for (const std::string& name : names) {
        int row = exact.value(QByteArray::fromStdString(name), -1);
        if (row < 0) row = caseless.value(FromLocalPath(name).toCaseFolded(), -1);
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
