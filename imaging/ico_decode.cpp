// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ico_decode.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "files/unique_fd.h"
#include "imaging/whole_file.h"

namespace morvane {
namespace {

using vips::VImage;

constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kEntryBytes = 16;

unsigned Little(const std::uint8_t* at, int bytes) {
    unsigned value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

bool IsIconHeader(const std::uint8_t* head) {
    return Little(head, 2) == 0 && Little(head + 2, 2) == 1 && Little(head + 4, 2) > 0;
}

bool IsPng(const std::uint8_t* data, std::size_t size) {
    return size >= 33 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0;
}

// Indexed frames exist with 1, 4 and 8 bits; others report their bits per pixel.
int StoredDepth(int bits) {
    if (bits <= 0) return 0;
    return bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : bits;
}

struct BlobDeleter {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};

// A PNG frame straight from its bytes, decoded into memory before the bytes go.
VImage PngFrame(const std::uint8_t* bytes, std::size_t size) {
    const std::unique_ptr<VipsBlob, BlobDeleter> blob(vips_blob_new(nullptr, bytes, size));
    VImage out;
    VImage::call("pngload_buffer", VImage::option()
                                       ->set("buffer", blob.get())
                                       ->set("fail_on", VIPS_FAIL_ON_ERROR)
                                       ->set("out", &out));
    if (!WithinDecodeLimits(out.width(), out.height(), kMaxMagickPixels))
        throw vips::VError("icon frame too large");
    return out.copy_memory();
}

// A bitmap frame (with its transparency mask) through ImageMagick, which reads every frame.
VImage BitmapFrame(const std::string& path, int index) {
    VImage out;
    VImage::call("magickload", VImage::option()
                                   ->set("filename", path.c_str())
                                   ->set("page", index)
                                   ->set("fail_on", VIPS_FAIL_ON_ERROR)
                                   ->set("out", &out));
    if (!WithinDecodeLimits(out.width(), out.height(), kMaxMagickPixels))
        throw vips::VError("icon frame too large");
    return out;
}

}  // namespace

std::optional<IconFrame> LargestIconFrame(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderBytes || !IsIconHeader(data)) return std::nullopt;
    const std::size_t count = Little(data + 4, 2);
    std::optional<IconFrame> best;
    for (std::size_t i = 0; i < count && kHeaderBytes + (i + 1) * kEntryBytes <= size; ++i) {
        const std::uint8_t* entry = data + kHeaderBytes + i * kEntryBytes;
        const IconFrame frame{static_cast<int>(i),       Little(entry + 12, 4),
                              Little(entry + 8, 4),      entry[0] ? entry[0] : 256,
                              entry[1] ? entry[1] : 256, static_cast<int>(Little(entry + 6, 2))};
        if (frame.size < 8 || frame.offset > size || frame.size > size - frame.offset) continue;
        const auto rank = [](const IconFrame& f) {
            return std::pair(f.width * f.height, f.bitCount);
        };
        if (!best || rank(frame) > rank(*best)) best = frame;
    }
    return best;
}

bool LooksLikeIcon(const std::string& path) {
    // O_NONBLOCK: a pipe in a picture's place is not waited on.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    std::uint8_t head[kHeaderBytes] = {};
    return fd.Valid() &&
           ::pread(fd.Get(), head, kHeaderBytes, 0) == static_cast<ssize_t>(kHeaderBytes) &&
           IsIconHeader(head);
}

std::optional<OpenedPicture> OpenLargestIconFrame(const std::string& path) {
    const WholeFile file = ReadWholeFile(path, kHeaderBytes, IsIconHeader);
    const auto frame = LargestIconFrame(file.data.get(), file.size);
    if (!frame) return std::nullopt;
    const std::uint8_t* bytes = file.data.get() + frame->offset;
    try {
        const bool png = IsPng(bytes, frame->size);
        VImage image = png ? PngFrame(bytes, frame->size) : BitmapFrame(path, frame->index);
        OpenedPicture picture;
        picture.width = image.width();
        picture.height = image.height();
        // The depth stored in the PNG's header or the bitmap's info header.
        picture.bitDepth =
            png ? BitDepthOf(image, bytes[24] < 8 ? bytes[24] : 0)
                : StoredDepth(frame->size >= 16 ? static_cast<int>(Little(bytes + 14, 2)) : 0);
        picture.image = ToSrgb8(image);
        return picture;
    } catch (const vips::VError&) {
        return std::nullopt;
    }
}

}  // namespace morvane
