// SPDX-License-Identifier: GPL-3.0-or-later
// The mask matcher on arbitrary masks and names: the input is the mask text, a NUL byte, and
// the file name (bytes, not necessarily UTF-8). Matching must stay linear and never crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/masks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view maskText = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
    morvane::MaskList masks;
    masks.SetMasks(maskText);
    masks.MatchesMask(name);
    // The pattern language alone, mask against itself and against the name.
    const QString upperMask = QString::fromUtf8(maskText.data(), maskText.size()).toUpper();
    morvane::MatchPattern(QString::fromUtf8(name.data(), name.size()).toUpper(), upperMask);
    return 0;
}
