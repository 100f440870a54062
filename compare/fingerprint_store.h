// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fingerprints packed one after another in one block aligned to the cache line, so a scan
// streams through memory with no pointer chasing and no per-picture allocation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "compare/equal_cells.h"

namespace morvane {

class FingerprintStore {
  public:
    static constexpr std::size_t kAlignment = 64;

    FingerprintStore() = default;
    explicit FingerprintStore(std::size_t count) : count_(count) {
        if (count == 0) return;
        // aligned_alloc wants a multiple of the alignment; 1024 bytes each always are.
        block_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kAlignment, Bytes())));
        if (!block_) throw std::bad_alloc();
    }

    std::size_t Count() const { return count_; }
    std::size_t Bytes() const { return count_ * kFingerprintCells; }
    std::uint8_t* At(std::size_t slot) { return block_.get() + slot * kFingerprintCells; }
    const std::uint8_t* At(std::size_t slot) const {
        return block_.get() + slot * kFingerprintCells;
    }
    void Set(std::size_t slot, const std::uint8_t* cells) {
        std::memcpy(At(slot), cells, kFingerprintCells);
    }

  private:
    struct Free {
        void operator()(std::uint8_t* block) const { std::free(block); }
    };
    std::size_t count_ = 0;
    std::unique_ptr<std::uint8_t, Free> block_;
};

}  // namespace morvane
