#pragma once
// An exact index for near hashes (multi-index hashing): each 64-bit hash is cut into m
// parts, and two hashes within distance r agree within r / m bits on at least one part. A
// lookup probes, in each part's table, every key that close to the query's part, and checks
// the full distance of what it finds, so its cost follows the size of the answer rather than
// the size of the library. For wide distances, where probing would cost more than reading
// every hash, it reads every hash.
//
// Each hash belongs to an owner (a picture, which may have several); owners leave the index
// as the greedy scan takes them, and a lookup finds only owners after the current head.
#include <cstdint>
#include <vector>

#include "compare/similar_variants.h"

namespace morvane {

class SimilarIndex {
  public:
    // A variant's hash with its owner, packed into 16 bytes.
    struct Item {
        std::uint64_t hash = 0;
        std::int32_t owner = 0;
        std::uint8_t level = 0;
        std::uint8_t variant = 0;
    };
    // `items` ascending by owner, owners 0..ownerCount - 1; all start in the index.
    SimilarIndex(std::vector<Item> items, int ownerCount, int maxDistance);

    struct Match {
        int owner = 0;
        int variant = 0;
        int distance = 0;
    };
    // Appends the items of owners after `head` still in the index that lie near `query`
    // (HashesNear). An item may be appended more than once. `head` must not decrease from
    // one call to the next.
    void FindLater(int head, const VariantHash& query, std::vector<Match>& found);
    // `owner` leaves the index.
    void Take(int owner) { alive_[owner] = 0; }

  private:
    struct Bucket {
        std::int32_t start = 0;  // first entry
        std::int32_t live = 0;   // entries not yet found to have left
    };
    struct Part {
        int shift = 0;                     // the part's lowest bit in the hash
        std::uint32_t mask = 0;            // its width
        std::vector<std::uint32_t> flips;  // keys within the part's radius of 0
        std::vector<Bucket> buckets;       // by the part's bits
        std::vector<Item> entries;         // ascending owners within a bucket

        std::uint32_t KeyOf(std::uint64_t hash) const {
            return static_cast<std::uint32_t>(hash >> shift) & mask;
        }
    };

    void Build(int partCount);
    void Probe(int head, const VariantHash& query, std::vector<Match>& found);
    void Scan(int head, const VariantHash& query, std::vector<Match>& found);

    std::vector<Item> items_;
    int maxDistance_;
    std::vector<std::uint8_t> alive_;  // by owner
    std::vector<Part> parts_;          // empty when every lookup reads every hash
    std::size_t scanFrom_ = 0;         // first item of an owner after the last head
};

}  // namespace morvane
