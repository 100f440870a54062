// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The review's window side, reduced to what a terminal needs: no pictures, no decisions, the
// way given on the command line, and the messages on standard error.
#include <iostream>
#include <string>

#include "cli/options.h"
#include "cli/progress.h"
#include "run/disposer.h"

namespace morvane::cli {

class QuietFrontEnd : public RunFrontEnd {
  public:
    QuietFrontEnd(Progress& progress, int total, const Options& options)
        : progress_(progress), total_(total), options_(options) {}
    void ShowSlot(int, const SlotPicture&) override {}
    void ClearSlots() override {}
    void DuplicateCountChanged(int) override {}
    void ProcessedChanged(int processed) override { progress_.Comparing(processed, total_); }
    DisposalWay ChosenDisposalWay() const override { return options_.Dispose; }
    void Tell(const std::string& message) override {
        progress_.Done();
        std::cerr << message << "\n";
    }

  private:
    Progress& progress_;
    int total_;
    const Options& options_;
};

// "move:DIR", "trash" or "wipe", as given on the command line.
std::string DisposalText(const Options& options);

}  // namespace morvane::cli
