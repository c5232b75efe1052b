#pragma once

#include <deque>
#include <vector>

#include "MessageBox.h"

namespace lexmill {

// For tests: while alive, every message box is recorded instead of shown and
// answered from a queue of scripted buttons. With the queue empty a box is
// answered with its default button, or else the first of its buttons in
// QMessageBox's order (Ok before Yes before No before Cancel).
class ScriptedMessageBoxes {
  public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // The answer to the next box not yet answered.
    void answer(QMessageBox::StandardButton button) { answers_.push_back(button); }

    const std::vector<MessageRequest>& calls() const { return calls_; }
    int count() const { return static_cast<int>(calls_.size()); }
    const MessageRequest& last() const { return calls_.back(); }
    void clear() { calls_.clear(); }

  private:
    QMessageBox::StandardButton respond(const MessageRequest& request);

    std::vector<MessageRequest> calls_;
    std::deque<QMessageBox::StandardButton> answers_;
    MessageResponder previous_;
};

}  // namespace lexmill
