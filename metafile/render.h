// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Vector pictures (EMF, WMF) drawn into pixels with the project's own renderer.
#include <QImage>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace morvane {

// The canvas is never larger than this on its long side: the fingerprint needs 512
// pixels across and the picture boxes are smaller still. Larger pictures (a drawing recorded
// for a 1200 DPI printer is thousands of pixels wide) are drawn scaled down to fit, while
// their reported size stays the true one.
inline constexpr int kMaxMetafileSide = 1024;
inline constexpr std::int64_t kMaxMetafilePixels =
    std::int64_t{kMaxMetafileSide} * kMaxMetafileSide;
// Files larger than this are not read.
inline constexpr std::uintmax_t kMaxMetafileBytes = 256u << 20;

struct RenderedPicture {
    int width = 0;  // the picture's size in pixels, from its header
    int height = 0;
    QImage image;  // Format_RGBA8888, transparent where nothing was drawn; at most the cap
};

// Empty when the bytes are not a whole EMF or WMF file (a damaged or truncated one included).
std::optional<RenderedPicture> RenderMetafile(std::span<const std::uint8_t> bytes);
std::optional<RenderedPicture> RenderMetafile(const std::string& path);

}  // namespace morvane
