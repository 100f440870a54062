#include "compare/similar_index.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace morvane {
namespace {

constexpr int kMinParts = 3;  // parts of at most 22 bits: tables of at most 4 M buckets
// Wide parts only pay once their tables are not mostly empty: a table has at most this many
// buckets per hash.
constexpr double kMaxBucketsPerHash = 4;
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
SimilarIndex::SimilarIndex(std::vector<Item> items, int ownerCount, int maxDistance)
    : items_(std::move(items)), maxDistance_(maxDistance), alive_(ownerCount, 1) {
    const double count = static_cast<double>(items_.size());
    double cheapest = count;
    int chosen = 0;
    for (int parts = kMinParts; parts <= kMaxParts; ++parts) {
        const int bits = (64 + parts - 1) / parts;
        if (std::ldexp(1.0, bits) > kMaxBucketsPerHash * count) continue;
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
        for (const Item& item : items_) ++part.buckets[part.KeyOf(item.hash)].live;
        std::int32_t start = 0;
        for (Bucket& bucket : part.buckets) {
            bucket.start = start;
            start += bucket.live;
            bucket.live = 0;
        }
        part.entries.resize(items_.size());
        for (const Item& item : items_) {
            Bucket& bucket = part.buckets[part.KeyOf(item.hash)];
            part.entries[bucket.start + bucket.live++] = item;
        }
    }
    // The probes read the parts' copies only.
    if (partCount > 0) std::vector<Item>().swap(items_);
}

void SimilarIndex::FindLater(int head, const VariantHash& query, std::vector<Match>& found) {
    if (parts_.empty())
        Scan(head, query, found);
    else
        Probe(head, query, found);
}

// The bit count is one instruction on nearly every x86-64 processor, but not in the baseline
// the program is built for: both versions are made, the loader picks one.
#define MORVANE_WITH_POPCNT __attribute__((target_clones("popcnt", "default")))

MORVANE_WITH_POPCNT void SimilarIndex::Scan(int head, const VariantHash& query,
                                            std::vector<Match>& found) {
    while (scanFrom_ < items_.size() && items_[scanFrom_].owner <= head) ++scanFrom_;
    for (std::size_t i = scanFrom_; i < items_.size(); ++i) {
        const Item& item = items_[i];
        const int distance = std::popcount(query.hash ^ item.hash);
        if (distance <= maxDistance_ && alive_[item.owner] &&
            std::abs(query.level - item.level) <= kMaxLevelGap)
            found.push_back({item.owner, item.variant, distance});
    }
}

// Only entries within the distance are looked up further. Entries that have left are dropped
// from their bucket when found, so a crowded bucket is not read over and over.
MORVANE_WITH_POPCNT void SimilarIndex::Probe(int head, const VariantHash& query,
                                             std::vector<Match>& found) {
    for (Part& part : parts_) {
        const std::uint32_t key = part.KeyOf(query.hash);
        for (const std::uint32_t flip : part.flips) {
            Bucket& bucket = part.buckets[key ^ flip];
            // Every owner up to the head has left (a head, or taken by one): the bucket is
            // ascending, so they are its front.
            while (bucket.live > 0 && part.entries[bucket.start].owner <= head) {
                ++bucket.start;
                --bucket.live;
            }
            Item* const first = part.entries.data() + bucket.start;
            bool departed = false;
            for (const Item* entry = first; entry != first + bucket.live; ++entry) {
                const int distance = std::popcount(query.hash ^ entry->hash);
                if (distance > maxDistance_) continue;
                if (!alive_[entry->owner])
                    departed = true;
                else if (std::abs(query.level - entry->level) <= kMaxLevelGap)
                    found.push_back({entry->owner, entry->variant, distance});
            }
            if (!departed) continue;
            Item* const end = std::remove_if(first, first + bucket.live,
                                             [this](const Item& e) { return !alive_[e.owner]; });
            bucket.live = static_cast<std::int32_t>(end - first);
        }
    }
}

}  // namespace morvane
