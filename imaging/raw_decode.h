// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Camera raw files, read through LibRaw: by the camera's own embedded preview when it is large
// enough, else by demosaicing the sensor data at half size.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/decode.h"

namespace morvane {

// The camera raw formats, by extension (lower case, no dot).
inline constexpr std::string_view kCameraRawExtensions[] = {"dng", "cr2", "cr3", "nef", "arw",
                                                            "orf", "rw2", "raf", "pef"};

// True when the name ends in one of the raw extensions, in any case.
bool IsCameraRawPath(std::string_view path);

// Opens a raw file: `width` and `height` are the upright output size of the sensor picture,
// `image` the preview (shrunk on load while it keeps `needed` of the full size) or the half-size
// demosaic, turned upright. Empty for a damaged, unknown or oversized file; never throws.
std::optional<OpenedPicture> OpenCameraRaw(const std::string& path,
                                           const std::function<DrawSize(int, int)>& needed);

}  // namespace morvane
