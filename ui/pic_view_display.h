// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run shows in the main window: the counters, the two slots and the messages.
#include "ui/run_controller.h"

namespace morvane {

class PicView;

class PicViewDisplay : public RunDisplay {
  public:
    explicit PicViewDisplay(PicView& view) : view_(view) {}

    void ClearCounters() override;
    void ShowFileCell(const QString& text) override;
    void ShowProcessed(int processed) override;
    void ShowDuplicateCount(int count) override;
    void ShowSlot(int slot, const SlotPicture& picture) override;
    void ClearSlots() override;
    DisposalWay ChosenDisposalWay() const override;
    void ShowCritical(const QString& text) override;
    void EndProgram(int status) override;

  private:
    PicView& view_;
};

}  // namespace morvane
