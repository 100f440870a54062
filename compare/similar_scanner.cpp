// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/similar_scanner.h"

#include <algorithm>
#include <tuple>

#include "files/free_memory.h"

namespace morvane {
namespace {

// Fingerprints hashed, or looked up, per task.
constexpr int kChunk = 256;

int ChunksOf(int count) {
    return (count + kChunk - 1) / kChunk;
}

}  // namespace

SimilarScanner::SimilarScanner(PicTable& table, int threshold, int threads)
    : HeadByHeadScanner(table), table_(table), slotOf_(table.size(), -1) {
    // As in the exact mode, a record marked valid without 1024 cells heads no group.
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Valid == 1 && table[i].Fingerprint.size() >= kFingerprintCells) {
            slotOf_[i] = static_cast<int>(tableIndex_.size());
            tableIndex_.push_back(static_cast<int>(i));
        }
    taken_.assign(tableIndex_.size(), 0);
    WorkerPool pool(std::min(WorkerCount(threads), std::max(1, ChunksOf(tableIndex_.size()))));
    HashFingerprints(pool);
    FindPairs(pool, MaxHashDistance(threshold));
}

void SimilarScanner::HashFingerprints(WorkerPool& pool) {
    const int count = static_cast<int>(tableIndex_.size());
    std::vector<std::vector<VariantHash>> bySlot(count);
    pool.ForEach(ChunksOf(count), [&](int chunk, int) {
        const int end = std::min(count, (chunk + 1) * kChunk);
        for (int slot = chunk * kChunk; slot < end; ++slot)
            bySlot[slot] = VariantHashes(CellsOf(slot));
    });
    firstVariant_.reserve(count + 1);
    for (const auto& hashes : bySlot) {
        firstVariant_.push_back(variants_.size());
        variants_.insert(variants_.end(), hashes.begin(), hashes.end());
    }
    firstVariant_.push_back(variants_.size());
}

// A pair is a candidate when a query variant of one (a turn, the middle, the picture less its
// bottom tenth) lies near a part of the other, so looking up every slot's queries among the
// parts of all others finds each pair from both sides: what the head's queries find and what
// finds the head's parts. The lookups and their
// confirmation run ahead of the scan, on every thread, while every record still has its cells;
// whether a pair still counts is the scan's to decide.
void SimilarScanner::FindPairs(WorkerPool& pool, int distance) {
    const int count = static_cast<int>(tableIndex_.size());
    std::vector<SimilarIndex::Item> parts;
    for (int slot = 0; slot < count; ++slot)
        for (std::size_t v = firstVariant_[slot]; v < firstVariant_[slot + 1]; ++v)
            if (const VariantHash& hash = variants_[v]; IsPart(hash.variant))
                parts.push_back({hash.hash, slot, hash.level, hash.variant});
    const SimilarIndex index(std::move(parts), distance);
    std::vector<std::pair<VariantHash, int>> turns;  // with their slot
    for (int slot = 0; slot < count; ++slot)
        for (std::size_t v = firstVariant_[slot]; v < firstVariant_[slot + 1]; ++v)
            if (IsQuery(variants_[v].variant)) turns.emplace_back(variants_[v], slot);
    const int chunks = ChunksOf(static_cast<int>(turns.size()));
    std::vector<std::vector<Pair>> byChunk(chunks);
    for (int stage = 0; stage < index.Stages(); ++stage) {
        const auto keyOf = [&](const auto& turn) {
            return std::pair(index.StageKey(stage, turn.first.hash), turn.second);
        };
        std::sort(turns.begin(), turns.end(),
                  [&](const auto& a, const auto& b) { return keyOf(a) < keyOf(b); });
        pool.ForEach(chunks, [&](int chunk, int) {
            std::vector<SimilarIndex::Match> matches;
            const std::size_t end = std::min(turns.size(), std::size_t(chunk + 1) * kChunk);
            for (std::size_t t = std::size_t(chunk) * kChunk; t < end; ++t) {
                const auto& [turn, slot] = turns[t];
                matches.clear();
                index.FindNear(stage, slot, turn, matches);
                if (matches.empty()) continue;
                const LowFrequencies turned = VariantFrequencies(CellsOf(slot), turn.variant);
                for (const SimilarIndex::Match& m : matches)
                    if (Correlation(turned, VariantFrequencies(CellsOf(m.owner), m.variant)) >=
                        kMinCorrelation)
                        byChunk[chunk].push_back(
                            {std::min(slot, m.owner), std::max(slot, m.owner), m.distance});
            }
        });
    }
    for (const auto& found : byChunk) pairs_.insert(pairs_.end(), found.begin(), found.end());
    const auto key = [](const Pair& p) { return std::tuple(p.head, p.owner, p.distance); };
    std::sort(pairs_.begin(), pairs_.end(),
              [&](const Pair& a, const Pair& b) { return key(a) < key(b); });
    // The nearest confirmed hashes give the similarity.
    pairs_.erase(std::unique(pairs_.begin(), pairs_.end(),
                             [](const Pair& a, const Pair& b) {
                                 return a.head == b.head && a.owner == b.owner;
                             }),
                 pairs_.end());
    firstPair_.reserve(count + 1);
    std::size_t at = 0;
    for (int slot = 0; slot <= count; ++slot) {
        while (at < pairs_.size() && pairs_[at].head < slot) ++at;
        firstPair_.push_back(at);
    }
}

const std::uint8_t* SimilarScanner::CellsOf(int slot) const {
    return table_[tableIndex_[slot]].Fingerprint.data();
}

// A slot that has headed or joined a group is never compared again: its cells go.
void SimilarScanner::Release(int slot) {
    taken_[slot] = 1;
    Fingerprint().swap(table_[tableIndex_[slot]].Fingerprint);
}

Group SimilarScanner::ScanHead(int head) {
    Group group{{head}};
    const int slot = slotOf_[head];
    if (slot < 0) return group;
    for (std::size_t p = firstPair_[slot]; p < firstPair_[slot + 1]; ++p) {
        const Pair& pair = pairs_[p];
        if (!taken_[pair.owner] &&
            JoinGroup(table_, group, tableIndex_[pair.owner], HashSimilarity(pair.distance))) {
            ++duplicateCount_;
            Release(pair.owner);
        }
    }
    Release(slot);
    return group;
}

// The pairs and cells are gone by now; their memory goes back to the system.
void SimilarScanner::AfterLastHead() {
    ReleaseFreeMemory();
}

}  // namespace morvane
