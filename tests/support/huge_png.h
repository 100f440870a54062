// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helper: a real PNG whose header is rewritten to declare side x side pixels (with a
// valid checksum), so a decoder believes it and only the data runs short.
#include <cstdint>
#include <string>

#include "support/temp_dir.h"

namespace morvane::test {

inline void WriteHugeDeclaredPng(const std::string& file, std::uint32_t side = 30000) {
    WriteFlatPicture(file, 16, 16, 10, 20, 30);
    std::string bytes = ReadFile(file);
    const auto put = [&bytes](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
    };
    put(16, side);
    put(20, side);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char byte : bytes.substr(12, 17)) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    put(29, ~crc);
    WriteTextFile(file, bytes);
}

}  // namespace morvane::test
