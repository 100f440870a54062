// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An exact index for near hashes (multi-index hashing): each 64-bit hash is cut into m
// parts, and two hashes within distance r = m q + a (a < m) differ by at most q bits on one
// of the first a + 1 parts or by at most q - 1 bits on one of the others (else the parts'
// distances would add up to more than r). A lookup probes, in each part's table, every key
// that close to the query's part, and checks the full distance of what it finds, so its
// cost follows the size of the answer rather than the size of the library. For wide
// distances, where probing would cost more than reading every hash, it reads every hash.
//
// The index never changes once made, so any number of threads may look up at once.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "compare/similar_variants.h"

namespace morvane {

// The bit count is one instruction on nearly every x86-64 processor, but not in the baseline
// the program is built for: both versions are made, the loader picks one.
#define MORVANE_WITH_POPCNT __attribute__((target_clones("popcnt", "default")))

class SimilarIndex {
  public:
    // A variant's hash with its owner, packed into 16 bytes.
    struct Item {
        std::uint64_t hash = 0;
        std::int32_t owner = 0;
        std::uint8_t level = 0;
        std::uint8_t variant = 0;
    };
    SimilarIndex(std::vector<Item> items, int maxDistance);

    struct Match {
        int owner = 0;
        int variant = 0;
        int distance = 0;
    };
    // Appends the items of owners other than `self` that lie near `query` (HashesNear).
    // An item may be appended more than once.
    void FindNear(int self, const VariantHash& query, std::vector<Match>& found) const;
    // The same in stages: each stage finds some, all stages together find all. A stage's
    // lookups read the least memory when their queries come in ascending StageKey.
    int Stages() const { return std::max<int>(1, static_cast<int>(parts_.size())); }
    std::uint32_t StageKey(int stage, std::uint64_t hash) const {
        return parts_.empty() ? 0 : parts_[stage].KeyOf(hash);
    }
    void FindNear(int stage, int self, const VariantHash& query, std::vector<Match>& found) const;

  private:
    struct Part {
        int shift = 0;                      // the part's lowest bit in the hash
        std::uint32_t mask = 0;             // its width
        std::vector<std::uint32_t> flips;   // keys within the part's radius of 0
        std::vector<std::int32_t> starts;   // by the part's bits: first entry; one past the end
        std::vector<Item> entries;          // by the part's bits
        std::vector<std::uint64_t> hashes;  // the entries' hashes, read apart: most differ

        std::uint32_t KeyOf(std::uint64_t hash) const {
            return static_cast<std::uint32_t>(hash >> shift) & mask;
        }
    };

    void Build(int partCount);
    void Probe(const Part& part, int self, const VariantHash& query,
               std::vector<Match>& found) const;
    void Scan(int self, const VariantHash& query, std::vector<Match>& found) const;

    std::vector<Item> items_;
    std::vector<std::uint64_t> hashes_;  // the items', for a plain pass
    int maxDistance_;
    std::vector<Part> parts_;  // empty when every lookup reads every hash
};

}  // namespace morvane
