#pragma once

#include <functional>
#include <string>
#include <vector>

#include "BatchHost.h"
#include "Module1.h"

namespace lexmill::test {

// A batch host that writes down every call, in order, as one line each, and
// lets a test act at the moments the window would (between files).
class RecordingHost : public BatchHost {
  public:
    explicit RecordingHost(Module1& m) : m_(m) {}

    BatchOptions opts;
    std::vector<std::string> events;
    std::vector<std::string> results;
    std::function<void(int)> onYield;  // gets the number of the yield, from 1
    std::function<void(const std::string&)> onStatus;
    bool busyWhenResultsShown = true;
    std::int64_t progressMaxWhenResultsShown = -1;

    BatchOptions options() override { return opts; }
    void setStatus(std::string_view text) override {
        events.push_back("status " + std::string(text));
        if (onStatus) onStatus(std::string(text));
    }
    void setIdleStatus() override { events.push_back("idle"); }
    void setHint(std::string_view text) override { events.push_back("hint " + std::string(text)); }
    void setWaitCursor(bool on) override { events.push_back(on ? "wait" : "arrow"); }
    void setStartEnabled(bool on) override { events.push_back(on ? "start on" : "start off"); }
    void setProgress(std::int64_t v) override { events.push_back("progress " + std::to_string(v)); }
    void yield() override {
        events.push_back("yield");
        if (onYield) onYield(++yields_);
    }
    void message(std::string_view text, std::string_view title, MessageIcon icon) override {
        events.push_back("message " + std::string(title) + " " +
                         std::to_string(static_cast<int>(icon)) + " " + std::string(text));
    }
    void addResult(std::string_view name) override {
        events.push_back("result " + std::string(name));
        results.emplace_back(name);
    }
    void showResults(std::string_view heading, std::string_view summary) override {
        events.push_back("show " + std::string(heading) + " | " + std::string(summary));
        busyWhenResultsShown = m_.Busy;
        progressMaxWhenResultsShown = m_.ProgressMax;
    }

  private:
    Module1& m_;
    int yields_ = 0;
};

}  // namespace lexmill::test
