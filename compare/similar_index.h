#pragma once
// An exact index for near hashes (multi-index hashing): each 64-bit hash is cut into m
// parts, and two hashes within distance r agree within r / m bits on at least one part. A
// lookup probes, in each part's table, every key that close to the head's part, and checks
// the full distance of what it finds, so its cost follows the size of the answer rather than
// the size of the library. For wide distances, where probing would cost more than reading
// every hash, it reads every hash.
#include <cstdint>
#include <vector>

namespace morvane {

// The bit count is one instruction on nearly every x86-64 processor, but not in the baseline
// the program is built for: both versions are made, the loader picks one.
#define MORVANE_WITH_POPCNT __attribute__((target_clones("popcnt", "default")))

class SimilarIndex {
  public:
    // Every slot (index into `hashes`) starts in the index. `levels`, when given, holds each
    // slot's mean grey: two slots further apart than kMaxLevelGap never match.
    SimilarIndex(std::vector<std::uint64_t> hashes, int maxDistance,
                 std::vector<std::uint8_t> levels = {});

    // The slots after `slot` still in the index whose hashes lie within the distance, in
    // ascending order, each with its distance. `slot` leaves the index.
    struct Match {
        int slot = 0;
        int distance = 0;
    };
    std::vector<Match> TakeLater(int slot);

  private:
    struct Bucket {
        std::int32_t start = 0;  // first entry
        std::int32_t live = 0;   // entries not yet found to have left
    };
    // The hash is kept beside its slot, so a lookup reads its candidates in a row.
    struct Entry {
        std::uint64_t hash = 0;
        std::int32_t slot = 0;
    };
    struct Part {
        int shift = 0;                     // the part's lowest bit in the hash
        std::uint32_t mask = 0;            // its width
        std::vector<std::uint32_t> flips;  // keys within the part's radius of 0
        std::vector<Bucket> buckets;       // by the part's bits
        std::vector<Entry> entries;        // ascending slots within a bucket

        std::uint32_t KeyOf(std::uint64_t hash) const {
            return static_cast<std::uint32_t>(hash >> shift) & mask;
        }
    };

    void Build(int partCount);
    bool LevelsClose(int a, int b) const;
    // Declared cloned before any call, as Clang requires.
    MORVANE_WITH_POPCNT void Probe(int slot, std::vector<Match>& found);
    MORVANE_WITH_POPCNT void Scan(int slot, std::vector<Match>& found) const;

    std::vector<std::uint64_t> hashes_;
    int maxDistance_;
    std::vector<std::uint8_t> levels_;  // empty: no level check
    std::vector<std::uint8_t> alive_;
    std::vector<Part> parts_;           // empty when every lookup reads every hash
    std::vector<std::int32_t> seenBy_;  // slot -> the last head that checked it
};

}  // namespace morvane
