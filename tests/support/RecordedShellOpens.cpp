#include "RecordedShellOpens.h"

#include <utility>

namespace lexmill {

RecordedShellOpens::RecordedShellOpens() {
    previous_ = SetShellOpener([this](const ShellOpenRequest& request) {
        calls_.push_back(request);
        return accepted_;
    });
}

RecordedShellOpens::~RecordedShellOpens() {
    SetShellOpener(std::move(previous_));
}

}  // namespace lexmill
