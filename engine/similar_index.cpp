#include "engine/similar_index.h"

#include <algorithm>
#include <bit>

namespace morvane {
namespace {

std::uint16_t PartOf(std::uint64_t hash, int part) {
    return static_cast<std::uint16_t>(hash >> (16 * part));
}

}  // namespace

SimilarIndex::SimilarIndex(std::vector<std::uint64_t> hashes, int maxDistance)
    : hashes_(std::move(hashes)), maxDistance_(maxDistance), alive_(hashes_.size(), 1) {
    const int radius = maxDistance_ / kParts;
    for (unsigned mask = 0; mask < (1u << kPartBits); ++mask)
        if (std::popcount(mask) <= radius) flips_.push_back(static_cast<std::uint16_t>(mask));
    // Every probe costs about a cache miss and finds count / 65536 entries on average;
    // reading a hash costs about a tenth of that.
    const double count = static_cast<double>(hashes_.size());
    const double probeCost = kParts * static_cast<double>(flips_.size()) * (8 + count / 65536);
    if (probeCost < count) Build();
}

void SimilarIndex::Build() {
    parts_.resize(kParts);
    for (int p = 0; p < kParts; ++p) {
        Part& part = parts_[p];
        part.buckets.assign(1 << kPartBits, {});
        for (const std::uint64_t hash : hashes_) ++part.buckets[PartOf(hash, p)].live;
        std::int32_t start = 0;
        for (Bucket& bucket : part.buckets) {
            bucket.start = start;
            start += bucket.live;
            bucket.live = 0;
        }
        part.entries.resize(hashes_.size());
        for (std::size_t slot = 0; slot < hashes_.size(); ++slot) {
            Bucket& bucket = part.buckets[PartOf(hashes_[slot], p)];
            part.entries[bucket.start + bucket.live++] = {hashes_[slot],
                                                          static_cast<std::int32_t>(slot)};
        }
    }
    seenBy_.assign(hashes_.size(), -1);
}

std::vector<SimilarIndex::Match> SimilarIndex::TakeLater(int slot) {
    alive_[slot] = 0;
    std::vector<Match> found;
    if (parts_.empty())
        Scan(slot, found);
    else
        Probe(slot, found);
    std::sort(found.begin(), found.end(),
              [](const Match& a, const Match& b) { return a.slot < b.slot; });
    for (const Match& match : found) alive_[match.slot] = 0;
    return found;
}

// The bit count is one instruction on nearly every x86-64 processor, but not in the baseline
// the program is built for: both versions are made, the loader picks one.
#define MORVANE_WITH_POPCNT __attribute__((target_clones("popcnt", "default")))

MORVANE_WITH_POPCNT void SimilarIndex::Scan(int slot, std::vector<Match>& found) const {
    const std::uint64_t head = hashes_[slot];
    for (std::size_t later = slot + 1; later < hashes_.size(); ++later) {
        if (!alive_[later]) continue;
        const int distance = std::popcount(head ^ hashes_[later]);
        if (distance <= maxDistance_) found.push_back({static_cast<int>(later), distance});
    }
}

// Only entries within the distance are looked up further. Entries that have left are dropped
// from their bucket when found, so a crowded bucket is not read over and over.
MORVANE_WITH_POPCNT void SimilarIndex::Probe(int slot, std::vector<Match>& found) {
    const std::uint64_t head = hashes_[slot];
    for (int p = 0; p < kParts; ++p) {
        Part& part = parts_[p];
        const std::uint16_t key = PartOf(head, p);
        for (const std::uint16_t flip : flips_) {
            Bucket& bucket = part.buckets[key ^ flip];
            // Every slot up to the head has left (a head, or taken by one): the bucket is
            // ascending, so they are its front.
            while (bucket.live > 0 && part.entries[bucket.start].slot <= slot) {
                ++bucket.start;
                --bucket.live;
            }
            Entry* const first = part.entries.data() + bucket.start;
            bool departed = false;
            for (const Entry* entry = first; entry != first + bucket.live; ++entry) {
                const int distance = std::popcount(head ^ entry->hash);
                if (distance > maxDistance_) continue;
                if (!alive_[entry->slot]) {
                    departed = true;
                } else if (seenBy_[entry->slot] != slot) {
                    seenBy_[entry->slot] = slot;
                    found.push_back({entry->slot, distance});
                }
            }
            if (!departed) continue;
            Entry* const end = std::remove_if(first, first + bucket.live,
                                              [this](const Entry& e) { return !alive_[e.slot]; });
            bucket.live = static_cast<std::int32_t>(end - first);
        }
    }
}

}  // namespace morvane
