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
        part.start.assign((1 << kPartBits) + 1, 0);
        for (const std::uint64_t hash : hashes_) ++part.start[PartOf(hash, p) + 1];
        for (std::size_t key = 1; key < part.start.size(); ++key)
            part.start[key] += part.start[key - 1];
        part.live.assign(1 << kPartBits, 0);
        part.slots.resize(hashes_.size());
        for (std::size_t slot = 0; slot < hashes_.size(); ++slot) {
            const std::uint16_t key = PartOf(hashes_[slot], p);
            part.slots[part.start[key] + part.live[key]++] = static_cast<std::int32_t>(slot);
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

void SimilarIndex::Scan(int slot, std::vector<Match>& found) const {
    const std::uint64_t head = hashes_[slot];
    for (std::size_t later = slot + 1; later < hashes_.size(); ++later) {
        if (!alive_[later]) continue;
        const int distance = std::popcount(head ^ hashes_[later]);
        if (distance <= maxDistance_) found.push_back({static_cast<int>(later), distance});
    }
}

// Entries that have left are dropped from a bucket when it is read, so a crowded bucket
// (many equal parts) is not read over and over for pictures already grouped.
void SimilarIndex::Probe(int slot, std::vector<Match>& found) {
    for (int p = 0; p < kParts; ++p) {
        Part& part = parts_[p];
        const std::uint16_t key = PartOf(hashes_[slot], p);
        for (const std::uint16_t flip : flips_) {
            const std::uint16_t probe = key ^ flip;
            std::int32_t* const first = part.slots.data() + part.start[probe];
            std::int32_t* const end = std::remove_if(first, first + part.live[probe],
                                                     [this](std::int32_t s) { return !alive_[s]; });
            part.live[probe] = static_cast<std::int32_t>(end - first);
            for (const std::int32_t* entry = first; entry != end; ++entry)
                Consider(slot, *entry, found);
        }
    }
}

void SimilarIndex::Consider(int slot, int later, std::vector<Match>& found) {
    if (later <= slot || seenBy_[later] == slot) return;
    seenBy_[later] = slot;
    const int distance = std::popcount(hashes_[slot] ^ hashes_[later]);
    if (distance <= maxDistance_) found.push_back({later, distance});
}

}  // namespace morvane
