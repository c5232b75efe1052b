#pragma once

#include <QString>
#include <QStringList>

namespace lexmill {

// What the results window needs of the main window's file list.
class SelectableFileList {
  public:
    virtual ~SelectableFileList() = default;

    // The listed folder, without a trailing "/" except at the root.
    virtual QString Path() const = 0;
    // Deselects every item, then selects each listed item whose name equals
    // one of `names` ignoring case (an exact match first). Names that are not
    // listed are skipped.
    virtual void SelectOnly(const QStringList& names) = 0;
};

}  // namespace lexmill
