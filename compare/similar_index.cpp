// SPDX-License-Identifier: GPL-3.0-or-later
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

// The number of keys of `n` bits within `radius` of one.
double KeysWithin(int n, int radius) {
    double keys = 0, binomial = 1;
    for (int k = 0; k <= std::min(radius, n); ++k) {
        keys += binomial;
        binomial = binomial * (n - k) / (k + 1);
    }
    return keys;
}

// The radius probed in part `part` of `partCount` for a distance of `maxDistance`; below 0,
// the part is not probed.
int RadiusOf(int part, int partCount, int maxDistance) {
    const int radius = maxDistance / partCount;
    return part <= maxDistance % partCount ? radius : radius - 1;
}

}  // namespace

// The number of parts sets the work: fewer, wider parts mean more keys to probe within
// the radius, more and narrower ones mean fuller buckets. The cheapest is taken, or a plain
// pass over every hash when that is cheaper still.
SimilarIndex::SimilarIndex(std::vector<Item> items, int maxDistance)
    : items_(std::move(items)), maxDistance_(maxDistance) {
    const double count = static_cast<double>(items_.size());
    double cheapest = count;
    int chosen = 0;
    for (int parts = kMinParts; parts <= kMaxParts; ++parts) {
        const int bits = (64 + parts - 1) / parts;
        if (std::ldexp(1.0, bits) > kMaxBucketsPerHash * count) continue;
        double probes = 0;
        for (int p = 0; p < parts; ++p)
            probes += KeysWithin(bits, RadiusOf(p, parts, maxDistance_));
        const double cost = probes * (kProbeCost + count / std::ldexp(1.0, 64 / parts));
        if (cost < cheapest) {
            cheapest = cost;
            chosen = parts;
        }
    }
    if (chosen > 0) {
        Build(chosen);
    } else {
        for (const Item& item : items_) hashes_.push_back(item.hash);
    }
}

void SimilarIndex::Build(int partCount) {
    parts_.resize(partCount);
    for (int p = 0; p < partCount; ++p) {
        Part& part = parts_[p];
        part.shift = 64 * p / partCount;
        const int bits = 64 * (p + 1) / partCount - part.shift;
        part.mask = (1u << bits) - 1;
        const int radius = RadiusOf(p, partCount, maxDistance_);
        for (std::uint32_t flip = 0; radius >= 0 && flip <= part.mask; ++flip)
            if (std::popcount(flip) <= radius) part.flips.push_back(flip);
        part.starts.assign(part.mask + 2, 0);
        for (const Item& item : items_) ++part.starts[part.KeyOf(item.hash) + 1];
        for (std::size_t key = 1; key < part.starts.size(); ++key)
            part.starts[key] += part.starts[key - 1];
        std::vector<std::int32_t> next(part.starts.begin(), part.starts.end() - 1);
        part.entries.resize(items_.size());
        for (const Item& item : items_) part.entries[next[part.KeyOf(item.hash)]++] = item;
        for (const Item& entry : part.entries) part.hashes.push_back(entry.hash);
    }
    // The probes read the parts' copies only.
    if (partCount > 0) std::vector<Item>().swap(items_);
}

void SimilarIndex::FindNear(int self, const VariantHash& query, std::vector<Match>& found) const {
    for (int stage = 0; stage < Stages(); ++stage) FindNear(stage, self, query, found);
}

void SimilarIndex::FindNear(int stage, int self, const VariantHash& query,
                            std::vector<Match>& found) const {
    if (parts_.empty())
        Scan(self, query, found);
    else
        Probe(parts_[stage], self, query, found);
}

namespace {

// Entries [first, last) of `items` and their `hashes`.
MORVANE_WITH_POPCNT void Check(int self, const VariantHash& query, int maxDistance,
                               const SimilarIndex::Item* items, const std::uint64_t* hashes,
                               std::size_t first, std::size_t last,
                               std::vector<SimilarIndex::Match>& found) {
    for (std::size_t i = first; i < last; ++i) {
        const int distance = std::popcount(query.hash ^ hashes[i]);
        if (distance > maxDistance) continue;
        const SimilarIndex::Item& item = items[i];
        if (item.owner != self && std::abs(query.level - item.level) <= kMaxLevelGap)
            found.push_back({item.owner, item.variant, distance});
    }
}

}  // namespace

void SimilarIndex::Scan(int self, const VariantHash& query, std::vector<Match>& found) const {
    Check(self, query, maxDistance_, items_.data(), hashes_.data(), 0, items_.size(), found);
}

// Unless the queries come sorted, nearly every probe misses the cache: the next bucket's
// bounds are fetched while this one is read.
void SimilarIndex::Probe(const Part& part, int self, const VariantHash& query,
                         std::vector<Match>& found) const {
    const std::uint32_t key = part.KeyOf(query.hash);
    const std::size_t flips = part.flips.size();
    for (std::size_t f = 0; f < flips; ++f) {
        if (f + 4 < flips) __builtin_prefetch(&part.starts[key ^ part.flips[f + 4]]);
        const std::uint32_t bucket = key ^ part.flips[f];
        Check(self, query, maxDistance_, part.entries.data(), part.hashes.data(),
              part.starts[bucket], part.starts[bucket + 1], found);
    }
}

}  // namespace morvane
