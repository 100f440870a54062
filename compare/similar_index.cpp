#include "compare/similar_index.h"

#include "compare/similar_hash.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace morvane {
namespace {

constexpr int kMinParts = 4;  // parts of at most 16 bits: tables of at most 65536 buckets
constexpr int kMaxParts = 8;
// A probe costs about a cache miss; reading one entry of a bucket, or one hash of a plain
// pass over the table, about a tenth of that.
constexpr double kProbeCost = 10;

std::uint64_t Binomial(int n, int k) {
    std::uint64_t result = 1;
    for (int i = 1; i <= k; ++i) result = result * (n - k + i) / i;
    return result;
}

}  // namespace

// The number of parts sets the work: fewer, wider parts mean more keys to probe within
// the radius, more and narrower ones mean fuller buckets. The cheapest is taken, or a plain
// pass over every hash when that is cheaper still.
SimilarIndex::SimilarIndex(std::vector<std::uint64_t> hashes, int maxDistance,
                           std::vector<std::uint8_t> levels)
    : hashes_(std::move(hashes)),
      maxDistance_(maxDistance),
      levels_(std::move(levels)),
      alive_(hashes_.size(), 1) {
    const double count = static_cast<double>(hashes_.size());
    double cheapest = count;
    int chosen = 0;
    for (int parts = kMinParts; parts <= kMaxParts; ++parts) {
        const int bits = (64 + parts - 1) / parts;
        double probes = 0;
        for (int k = 0; k <= std::min(maxDistance_ / parts, bits); ++k)
            probes += static_cast<double>(Binomial(bits, k));
        probes *= parts;
        const double cost = probes * (kProbeCost + count / std::ldexp(1.0, 64 / parts));
        if (cost < cheapest) {
            cheapest = cost;
            chosen = parts;
        }
    }
    if (chosen > 0) Build(chosen);
}

void SimilarIndex::Build(int partCount) {
    parts_.resize(partCount);
    for (int p = 0; p < partCount; ++p) {
        Part& part = parts_[p];
        part.shift = 64 * p / partCount;
        const int bits = 64 * (p + 1) / partCount - part.shift;
        part.mask = (1u << bits) - 1;
        const int radius = maxDistance_ / partCount;
        for (std::uint32_t flip = 0; flip <= part.mask; ++flip)
            if (std::popcount(flip) <= radius) part.flips.push_back(flip);
        part.buckets.assign(part.mask + 1, {});
        for (const std::uint64_t hash : hashes_) ++part.buckets[part.KeyOf(hash)].live;
        std::int32_t start = 0;
        for (Bucket& bucket : part.buckets) {
            bucket.start = start;
            start += bucket.live;
            bucket.live = 0;
        }
        part.entries.resize(hashes_.size());
        for (std::size_t slot = 0; slot < hashes_.size(); ++slot) {
            Bucket& bucket = part.buckets[part.KeyOf(hashes_[slot])];
            part.entries[bucket.start + bucket.live++] = {hashes_[slot],
                                                          static_cast<std::int32_t>(slot)};
        }
    }
    seenBy_.assign(hashes_.size(), -1);
}

bool SimilarIndex::LevelsClose(int a, int b) const {
    return levels_.empty() || std::abs(levels_[a] - levels_[b]) <= kMaxLevelGap;
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

MORVANE_WITH_POPCNT void SimilarIndex::Scan(int slot, std::vector<Match>& found) const {
    const std::uint64_t head = hashes_[slot];
    for (std::size_t later = slot + 1; later < hashes_.size(); ++later) {
        if (!alive_[later]) continue;
        const int distance = std::popcount(head ^ hashes_[later]);
        if (distance <= maxDistance_ && LevelsClose(slot, static_cast<int>(later)))
            found.push_back({static_cast<int>(later), distance});
    }
}

// Only entries within the distance are looked up further. Entries that have left are dropped
// from their bucket when found, so a crowded bucket is not read over and over.
MORVANE_WITH_POPCNT void SimilarIndex::Probe(int slot, std::vector<Match>& found) {
    const std::uint64_t head = hashes_[slot];
    for (Part& part : parts_) {
        const std::uint32_t key = part.KeyOf(head);
        for (const std::uint32_t flip : part.flips) {
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
                    if (LevelsClose(slot, entry->slot)) found.push_back({entry->slot, distance});
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
