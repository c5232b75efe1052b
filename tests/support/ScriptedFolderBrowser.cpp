#include "ScriptedFolderBrowser.h"

#include <utility>

namespace lexmill {

ScriptedFolderBrowser::ScriptedFolderBrowser() {
    previous_ = SetFolderBrowser([this](const FolderBrowseRequest& r) { return respond(r); });
}

ScriptedFolderBrowser::~ScriptedFolderBrowser() {
    SetFolderBrowser(std::move(previous_));
}

QString ScriptedFolderBrowser::respond(const FolderBrowseRequest& request) {
    calls_.push_back(request);
    if (answers_.empty()) return {};
    QString folder = std::move(answers_.front());
    answers_.pop_front();
    return folder;
}

}  // namespace lexmill
