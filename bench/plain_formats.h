// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plain decodes of the other formats for the benchmarks: each format's own library (libpng,
// libwebp, libheif) on the whole file in memory, to 8-bit R,G,B at the shrink the fingerprint
// asks of libvips for that format, with nothing around it.
#include <cstdint>
#include <string>
#include <vector>

namespace morvane::bench {

enum class Format { Jpeg, Png, WebP, Heif };

// The format a file name says, by its extension; false for any other.
bool FormatOfName(const std::string& path, Format& format);

const char* FormatName(Format format);

// The collection masks that take exactly this format's files.
const char* FormatMasks(Format format);

// Every file under `folder` of the given format, sorted.
std::vector<std::string> ListFormat(const std::string& folder, Format format);

// Decodes a PNG, WebP or HEIF file's bytes; the number of pixels decoded, 0 when it fails.
std::int64_t DecodeOther(const std::vector<std::uint8_t>& file, Format format);

}  // namespace morvane::bench
