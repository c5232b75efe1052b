#pragma once

#include "frmMeta.h"

class QWidget;

namespace lexmill {

struct Module1;

// The "Meta Tag Extractor" command of the Tools and pop-up menus, run on the
// selection the caller has just taken into `m` (GetSelectedFiles):
// - more than one file: "Too Many Files Selected", nothing changes;
// - none: "No File Selected";
// - one: TotalBytes and ProgressMax become the file's size (0 when it is gone),
//   the page is scanned under the hourglass with `startButton` disabled, then
//   frmMeta shows the tags modally over `mainWindow` until the user closes it.
//   A page that cannot be read is reported in an "Error" box instead.
// `startButton` (may be null) gets its enabled state back before any viewer or
// error is shown. The caller sets its Progress to 0 afterwards.
void RunMetaTagExtractor(QWidget* mainWindow, Module1& m, QWidget* startButton,
                         frmMeta::InsertInto searchFor, frmMeta::InsertInto replaceWith);

}  // namespace lexmill
