#pragma once
// Samples the please-wait panel every 2 ms of virtual time while the program waits, and
// keeps each change: what the user would have seen while records went out.

#include <memory>
#include <string>
#include <vector>

#include "support/SimWindow.h"

namespace vantrel::test {

struct ProgressSample {
    int value;
    int max;
    std::string caption;
    bool panelShown;
    bool programCovered;
};

class ProgressRecorder {
public:
    explicit ProgressRecorder(SimWindow& sim) : sim_(sim) { Tick(); }
    ~ProgressRecorder() { *alive_ = false; }

    const std::vector<ProgressSample>& Changes() const { return changes_; }
    // Bar values seen while the panel was shown, in order, each once.
    std::vector<int> Values() const {
        std::vector<int> v;
        for (const auto& s : changes_)
            if (s.panelShown && s.value != 0 && (v.empty() || v.back() != s.value)) v.push_back(s.value);
        return v;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> c;
        for (const auto& s : changes_)
            if (s.panelShown && s.value != 0 && (c.empty() || c.back() != s.caption)) c.push_back(s.caption);
        return c;
    }

private:
    void Tick() {
        const Bootstrap& w = sim_.w;
        ProgressSample s{w.ProgressBar1.Value, w.ProgressBar1.Max, w.Label2.Caption, w.PleaseWait.Visible,
                         w.IsCovered(w.ProgramTav)};
        if (changes_.empty() || s.value != changes_.back().value || s.caption != changes_.back().caption ||
            s.panelShown != changes_.back().panelShown || s.max != changes_.back().max)
            changes_.push_back(s);
        auto alive = alive_;
        sim_.pump.ScheduleAfter(std::chrono::milliseconds(2), [this, alive] {
            if (*alive) Tick();
        });
    }

    SimWindow& sim_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<ProgressSample> changes_;
};

}  // namespace vantrel::test
