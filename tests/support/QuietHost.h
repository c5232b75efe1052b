#pragma once

#include "batch/BatchHost.h"

namespace lexmill::test {

// A batch host that gives the options and ignores the rest; a test overrides
// what it watches.
struct QuietHost : BatchHost {
    BatchOptions opts;
    BatchOptions options() override { return opts; }
    void setStatus(std::string_view) override {}
    void setIdleStatus() override {}
    void setHint(std::string_view) override {}
    void setWaitCursor(bool) override {}
    void setStartEnabled(bool) override {}
    void setProgress(std::int64_t) override {}
    void yield() override {}
    void message(std::string_view, std::string_view, MessageIcon) override {}
    void addResult(std::string_view) override {}
    void showResults(std::string_view, std::string_view) override {}
};

}  // namespace lexmill::test
