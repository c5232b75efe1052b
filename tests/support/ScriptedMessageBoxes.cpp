#include "ScriptedMessageBoxes.h"

#include <utility>

namespace lexmill {

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    previous_ = SetMessageResponder([this](const MessageRequest& r) { return respond(r); });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    SetMessageResponder(std::move(previous_));
}

QMessageBox::StandardButton ScriptedMessageBoxes::respond(const MessageRequest& request) {
    calls_.push_back(request);
    if (!answers_.empty()) {
        const auto button = answers_.front();
        answers_.pop_front();
        return button;
    }
    if (request.defaultButton != QMessageBox::NoButton) return request.defaultButton;
    for (unsigned bit = QMessageBox::Ok; bit <= QMessageBox::RestoreDefaults; bit <<= 1) {
        if (request.buttons.testFlag(static_cast<QMessageBox::StandardButton>(bit)))
            return static_cast<QMessageBox::StandardButton>(bit);
    }
    return QMessageBox::NoButton;
}

}  // namespace lexmill
