// SPDX-License-Identifier: GPL-3.0-or-later
// The fingerprint of arbitrary bytes: the decoders behind it meet damaged and hostile files.
// The first byte picks the file name's ending (some loaders go by it), the rest is the file.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/decode.h"
#include "imaging/fingerprint.h"

namespace {

std::string FilePath(std::uint8_t selector) {
    static constexpr std::array<const char*, 8> kEndings = {".jpg",  ".png", ".gif", ".bmp",
                                                            ".webp", ".tif", ".emf", ".wmf"};
    return "/dev/shm/morvane-fuzz-" + std::to_string(::getpid()) +
           kEndings[selector % kEndings.size()];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!morvane::EnsureImagingStarted()) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string path = FilePath(data[0]);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
    const auto made = morvane::MakeFingerprint(path);
    if (made && made->Cells.size() != morvane::LastCell + 1) std::abort();
    std::remove(path.c_str());
    return 0;
}
