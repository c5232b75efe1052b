#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace lexmill {

// What the results window needs of the main window's file list.
class SelectableFileList {
  public:
    virtual ~SelectableFileList() = default;

    // The listed folder, without a trailing "/" except at the root.
    virtual QString Path() const = 0;
    // The same folder as the system's bytes.
    virtual std::string LocalPath() const = 0;
    // Deselects every item, then selects each listed item whose name equals
    // one of `names` ignoring case (an exact match first). Names that are not
    // listed are skipped.
    virtual void SelectOnly(const QStringList& names) = 0;
    // The same for names given as bytes: an item whose bytes equal a name
    // first, else one whose shown name equals it ignoring case.
    virtual void SelectOnlyLocal(const std::vector<std::string>& names) = 0;
};

}  // namespace lexmill
