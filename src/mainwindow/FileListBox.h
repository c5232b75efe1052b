#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SelectableFileList.h"

namespace lexmill {

class FolderListing;

// The file list `File1`: the regular, not hidden files of one folder whose
// names match the pattern, sorted ignoring case, with extended selection.
// Names and the folder are shown as text but kept as the system's bytes, which
// reach the files even when they are not UTF-8. In the Subfolders mode it
// lists the text files of the folder and its subfolders as relative paths
// ("pages/index.html"), walked on another thread and added as they are found.
class FileListBox : public QListWidget, public SelectableFileList {
    Q_OBJECT
    Q_PROPERTY(QString Path READ Path WRITE setPath NOTIFY PathChange)
    Q_PROPERTY(QString Pattern READ Pattern WRITE setPattern NOTIFY PatternChange)
    Q_PROPERTY(QString FileName READ FileName)
  public:
    // Starts in the process's current directory with the pattern "*.*".
    explicit FileListBox(QWidget* parent = nullptr);
    ~FileListBox() override;

    // The folder, as an absolute path without a trailing "/" (except "/").
    QString Path() const override { return path_; }
    // The folder's bytes.
    std::string LocalPath() const override { return localPath_; }
    // Lists `folder` (made absolute and clean). A path that is not a folder
    // changes nothing and returns false. Emits PathChange when it changed.
    bool setPath(const QString& folder);
    // The same for a folder given as bytes.
    bool setLocalPath(const std::string& folder);

    // ";"-separated patterns with "*" and "?", matched ignoring case;
    // "*.*" matches every name. Setting it lists the folder again.
    QString Pattern() const { return pattern_; }
    void setPattern(const QString& pattern);

    // The name of the item that has the focus, or the empty string.
    QString FileName() const;
    // The bytes of the name of `row`, and of the item that has the focus ("" for none).
    std::string LocalName(int row) const;
    std::string FileLocalName() const;
    // The bytes of the full path of the item that has the focus ("" for none).
    std::string FileLocalPath() const;

    // Lists the folder again under the current pattern; the selection is lost.
    // A listing of subfolders still under way is dropped for the new one.
    void Refresh();

    // The Subfolders mode; changing it lists the folder again.
    bool Recursive() const { return recursive_; }
    void setRecursive(bool recursive);
    // True while a listing of subfolders is still adding files.
    bool IsListing() const { return listing_ != nullptr; }
    // The folders the last listing of subfolders could not read, "path: reason".
    const QStringList& UnreadableFolders() const { return unreadable_; }
    // Links to files out of the work folder that the last listing passed over.
    std::size_t LinksLeadingOut() const { return linksOut_; }

    int SelCount() const;
    // The selected names in list order.
    QStringList SelectedNames() const;
    std::vector<std::string> SelectedLocalNames() const;
    // The row whose name equals `name` ignoring case, an exact match first; -1 if none.
    int FindExact(const QString& name) const;
    void SelectOnly(const QStringList& names) override;
    void SelectOnlyLocal(const std::vector<std::string>& names) override;
    // The row under `point` (viewport coordinates), or -1.
    int ItemFromPoint(const QPoint& point) const;

    // True when `name` matches one of the ";"-separated `pattern`s.
    static bool MatchesPattern(const QString& name, const QString& pattern);
    // The same test with the patterns prepared once, for many names.
    static std::function<bool(const QString& name)> PatternMatcher(const QString& pattern);

  signals:
    void PathChange();
    void PatternChange();
    // A listing of subfolders has added its last file.
    void ListingDone();

  private:
    std::vector<int> SelectedRows() const;
    void AddItems(const std::vector<std::string>& names);
    void TakeFound();

    QString path_;
    std::string localPath_;
    QString pattern_ = QStringLiteral("*.*");
    bool recursive_ = false;
    std::unique_ptr<FolderListing> listing_;
    QStringList unreadable_;
    std::size_t linksOut_ = 0;
};

}  // namespace lexmill
