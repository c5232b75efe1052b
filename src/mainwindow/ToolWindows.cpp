#include "ToolWindows.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "BusyIndicators.h"
#include "Form1.h"
#include "FrmAbt.h"
#include "HelpWindow.h"
#include "PreviewWindow.h"
#include "TextBlock.h"
#include "batch/Module1.h"
#include "frmLMControls.h"
#include "frmMetaCommand.h"
#include "frmop.h"

namespace lexmill {

ToolWindows::ToolWindows(QWidget* window, Module1& m, std::filesystem::path settingsFile,
                         const frmLMControls& ui, TextBlock& texts, BusyIndicators& busy)
    : window_(window),
      m_(m),
      settingsFile_(std::move(settingsFile)),
      ui_(ui),
      texts_(texts),
      busy_(busy) {}

void ToolWindows::mnuToolsMeta_Click() {
    // The inserted tag is kept exactly, line breaks as in the file, so that
    // it finds the file's own text.
    RunMetaTagExtractor(
        window_, m_, ui_.Command3,
        [this](const std::string& text) { texts_.SetBoxText(ui_.Text1, text); },
        [this](const std::string& text) { texts_.SetBoxText(ui_.Text2, text); });
    busy_.setProgress(0);
}

void ToolWindows::mnuToolsFTP_Click() {
    ShowFtpWindow(window_, m_, settingsFile_);
}

void ToolWindows::mnuEdtOp_Click() {
    frmop options(settingsFile_, window_);
    QWidget* owner = window_;
    options.setShowHelpTopic([owner](int context) { ShowHelpTopic(owner, context); });
    options.exec();
}

void ToolWindows::mnuEdtPreview_Click(const BatchOptions& options) {
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(m_.SelCount, 0));
    const auto paths = m_.SelPaths.begin();
    const auto names = m_.SelNames.begin();
    auto* preview =
        new PreviewWindow({paths, paths + static_cast<std::ptrdiff_t>(count)},
                          {names, names + static_cast<std::ptrdiff_t>(count)}, options, window_);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->show();
}

void ToolWindows::mnuHelpContents_Click() {
    ShowHelpContents(window_);
}

void ToolWindows::mnuHelpAbout_Click() {
    FrmAbt about;
    about.exec();
}

}  // namespace lexmill
