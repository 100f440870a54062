// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run uses where the user gives nothing else: one place for the window, the command
// line and their help texts.
#include "compare/comparison_mode.h"

namespace morvane {

inline constexpr const char* kListFileName = "Kestrum.txt";
inline constexpr const char* kLogFileName = "Kestrum.log";
inline constexpr const char* kDefaultMasks = "*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf";
// Every format the program decodes: the default ones, the other common picture formats and
// the camera raw formats.
inline constexpr const char* kAllFormatsMasks =
    "*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.bmp;*.dib;*.gif;*.wmf;*.emf;*.webp;*.tif;*.tiff;*.heic;"
    "*.heif;*.avif;*.jxl;*.ico;*.svg;*.dng;*.cr2;*.cr3;*.nef;*.arw;*.orf;*.rw2;*.raf;*.pef";

// The threshold a mode uses when none is given.
int DefaultThreshold(ComparisonMode mode);

}  // namespace morvane
