// SPDX-License-Identifier: GPL-3.0-or-later
// The threshold parser on arbitrary text: always a threshold within 1..100, never a crash or
// an undefined conversion.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "compare/threshold.h"
#include "files/sizes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const morvane::ThresholdSetting setting = morvane::ParseThreshold(text);
    if (setting.threshold < 1 || setting.threshold > 100) std::abort();
    if (setting.correctedText && morvane::ParseThreshold(*setting.correctedText).correctedText)
        std::abort();  // the corrected text is itself in range
    morvane::RoundHalfEven(morvane::LeadingNumber(text));
    return 0;
}
