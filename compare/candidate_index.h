// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An exact candidate filter for high thresholds. The 1024 cells are cut into one block more
// than the cells a matching pair may differ in, so a matching pair agrees exactly on at least
// one block. For every block, the fingerprints holding the same cells there (by hash) are
// chained in slot order; the candidates of a fingerprint are the later ones on its chains.
// Hash collisions only add candidates: every candidate is verified with the full count.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvane {

class WorkerPool;

class CandidateIndex {
  public:
    // `prints[slot]` holds the 1024 cells of each fingerprint; a pair matches when it differs
    // in at most `maxDiffering` cells (0 to 1023). `pool`, when given, shares the building.
    CandidateIndex(const std::vector<const std::uint8_t*>& prints, int maxDiffering,
                   WorkerPool* pool);

    // Calls visit(c) for every later slot c on the chains of `slot` for which alive(c) holds,
    // once per block the two share. Slots found not alive are unlinked for good, so each
    // picture taken into a group is stepped over once per chain at most. Returns the links
    // followed.
    template <class Alive, class Visit>
    std::uint64_t VisitLater(int slot, const Alive& alive, Visit&& visit) {
        std::uint64_t steps = 0;
        for (int block = 0; block < blocks_; ++block) {
            std::int32_t* link = &next_[At(slot, block)];
            while (*link >= 0) {
                const int later = *link;
                ++steps;
                if (!alive(later)) {
                    *link = next_[At(later, block)];
                    continue;
                }
                visit(later);
                link = &next_[At(later, block)];
            }
        }
        return steps;
    }

  private:
    std::size_t At(int slot, int block) const {
        return static_cast<std::size_t>(slot) * blocks_ + block;
    }
    void Chain(const std::vector<const std::uint8_t*>& prints, int block,
               std::vector<std::pair<std::uint64_t, std::int32_t>>& keys);

    int blocks_;
    std::vector<std::int32_t> next_;  // slot x block -> next slot with that block's cells, or -1
};

}  // namespace morvane
