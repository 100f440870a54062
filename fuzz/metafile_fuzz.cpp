// SPDX-License-Identifier: GPL-3.0-or-later
// The metafile renderer on arbitrary bytes: EMF and WMF records are parsed and drawn by the
// program's own code, so every offset, count and size in them is hostile. Text is drawn too,
// which needs a GUI application (offscreen).
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "metafile/render.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Kept to the very end: destroying it among the exit handlers crashes inside Qt.
    static QGuiApplication* const app = std::make_unique<QGuiApplication>(*argc, *argv).release();
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto picture = morvane::RenderMetafile(std::span<const std::uint8_t>(data, size));
    if (!picture) return 0;
    const QImage& image = picture->image;
    if (picture->width <= 0 || picture->height <= 0) std::abort();
    if (image.width() > morvane::kMaxMetafileSide || image.height() > morvane::kMaxMetafileSide ||
        std::int64_t{image.width()} * image.height() > morvane::kMaxMetafilePixels)
        std::abort();
    return 0;
}
