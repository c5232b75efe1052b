#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

#include "SelectableFileList.h"

namespace lexmill {

// The file list `File1`: the regular, not hidden files of one folder whose
// names match the pattern, sorted ignoring case, with extended selection.
class FileListBox : public QListWidget, public SelectableFileList {
    Q_OBJECT
    Q_PROPERTY(QString Path READ Path WRITE setPath NOTIFY PathChange)
    Q_PROPERTY(QString Pattern READ Pattern WRITE setPattern NOTIFY PatternChange)
    Q_PROPERTY(QString FileName READ FileName)
  public:
    // Starts in the process's current directory with the pattern "*.*".
    explicit FileListBox(QWidget* parent = nullptr);

    // The folder, as an absolute path without a trailing "/" (except "/").
    QString Path() const override { return path_; }
    // Lists `folder` (made absolute and clean). A path that is not a folder
    // changes nothing and returns false. Emits PathChange when it changed.
    bool setPath(const QString& folder);

    // ";"-separated patterns with "*" and "?", matched ignoring case;
    // "*.*" matches every name. Setting it lists the folder again.
    QString Pattern() const { return pattern_; }
    void setPattern(const QString& pattern);

    // The name of the item that has the focus, or the empty string.
    QString FileName() const;

    // Lists the folder again under the current pattern; the selection is lost.
    void Refresh();

    int SelCount() const;
    // The selected names in list order.
    QStringList SelectedNames() const;
    // The row whose name equals `name` ignoring case, an exact match first; -1 if none.
    int FindExact(const QString& name) const;
    void SelectOnly(const QStringList& names) override;
    // The row under `point` (viewport coordinates), or -1.
    int ItemFromPoint(const QPoint& point) const;

    // True when `name` matches one of the ";"-separated `pattern`s.
    static bool MatchesPattern(const QString& name, const QString& pattern);

  signals:
    void PathChange();
    void PatternChange();

  private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

}  // namespace lexmill
