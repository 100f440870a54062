// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Synthetic fingerprints for the benchmarks: unrelated pictures with a share of near-copies.
#include <random>

#include "imaging/picture_table.h"

namespace morvane::bench {

// `count` records; about one in ten is a copy of an earlier one with 1 to 60 cells changed.
inline PicTable SyntheticTable(int count, unsigned seed = 1) {
    std::mt19937 random(seed);
    PicTable table(count);
    for (int i = 0; i < count; ++i) {
        Dubl& record = table[i];
        record.Valid = 1;
        if (i > 0 && random() % 10 == 0) {
            record.Fingerprint = table[random() % i].Fingerprint;
            const int changed = 1 + static_cast<int>(random() % 60);
            for (int c = 0; c < changed; ++c) record.Fingerprint[random() % 1024] += 1;
        } else {
            record.Fingerprint.resize(1024);
            for (auto& cell : record.Fingerprint) cell = static_cast<std::uint8_t>(random());
        }
    }
    return table;
}

}  // namespace morvane::bench
