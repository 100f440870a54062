// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the scan benchmarks print beside their times: the machine's load, and a digest that
// tells two builds' fingerprints apart.
#include <cstdint>
#include <fstream>
#include <string>

#include "imaging/picture_table.h"

namespace morvane::bench {

// The 1, 5 and 15 minute load averages.
inline std::string Load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// FNV-1a over every record's cells and sizes, in file order: equal digests from two builds
// mean bit-identical fingerprints.
inline std::uint64_t Digest(const CollectedRun& run) {
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](std::uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    for (const Dubl& record : run.PicTable) {
        for (const std::uint8_t cell : record.Fingerprint) mix(cell);
        mix(record.Fingerprint.size());
        mix(static_cast<std::uint64_t>(record.PicWidth) << 32 | record.PicHeight);
        mix(record.BitDepth);
    }
    return hash;
}

}  // namespace morvane::bench
