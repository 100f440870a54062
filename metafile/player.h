// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays the records of a metafile onto a canvas. Records the player does not know, and
// records whose parameters are short or out of range, are skipped.
#include "metafile/canvas.h"
#include "metafile/reader.h"

namespace morvane::metafile {

void PlayEmf(const EmfFile& file, Canvas& canvas);
void PlayWmf(const WmfFile& file, Canvas& canvas);

// Shared by both players.
inline QColor ColourRef(std::uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

}  // namespace morvane::metafile
