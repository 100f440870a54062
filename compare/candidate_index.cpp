// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/candidate_index.h"

#include <algorithm>
#include <cstring>

#include "compare/equal_cells.h"
#include "compare/worker_pool.h"

namespace morvane {
namespace {

std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9u;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

std::uint64_t HashCells(const std::uint8_t* cells, int size) {
    std::uint64_t hash = 0x9E3779B97F4A7C15u ^ static_cast<std::uint64_t>(size);
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, cells + i, sizeof word);
        hash = Mix(hash ^ word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, cells + i, static_cast<std::size_t>(size - i));
    return Mix(hash ^ tail);
}

int BlockStart(int block, int blocks) {
    return block * kFingerprintCells / blocks;
}

}  // namespace

CandidateIndex::CandidateIndex(const std::vector<const std::uint8_t*>& prints, int maxDiffering,
                               WorkerPool* pool)
    : blocks_(std::clamp(maxDiffering + 1, 1, kFingerprintCells)),
      next_(prints.size() * static_cast<std::size_t>(blocks_), -1) {
    const int workers = pool ? pool->Threads() : 1;
    // Made before the workers start: tasks must not throw.
    std::vector<std::vector<std::pair<std::uint64_t, std::int32_t>>> keys(
        workers, std::vector<std::pair<std::uint64_t, std::int32_t>>(prints.size()));
    if (!pool) {
        for (int block = 0; block < blocks_; ++block) Chain(prints, block, keys[0]);
        return;
    }
    // Each block writes its own column of next_.
    pool->ForEach(blocks_, [&](int block, int worker) { Chain(prints, block, keys[worker]); });
}

void CandidateIndex::Chain(const std::vector<const std::uint8_t*>& prints, int block,
                           std::vector<std::pair<std::uint64_t, std::int32_t>>& keys) {
    const int start = BlockStart(block, blocks_);
    const int size = BlockStart(block + 1, blocks_) - start;
    for (std::size_t slot = 0; slot < prints.size(); ++slot)
        keys[slot] = {HashCells(prints[slot] + start, size), static_cast<std::int32_t>(slot)};
    // Equal cells sort together, each run in slot order.
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 1; i < keys.size(); ++i)
        if (keys[i].first == keys[i - 1].first)
            next_[At(keys[i - 1].second, block)] = keys[i].second;
}

}  // namespace morvane
