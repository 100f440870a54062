// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/decode.h"

#include "files/free_memory.h"
#include "imaging/ico_decode.h"
#include "imaging/orientation.h"
#include "imaging/raw_decode.h"
#include "metafile/render.h"

#include <glib.h>
#include <vips/vector.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

namespace morvane {
namespace {

using vips::VImage;

// Vector pictures go to the project's own renderer: no Debian library reads EMF, and
// ImageMagick's WMF coder is not always installed.
bool IsMetafile(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".wmf" || tail == ".emf";
}

std::optional<OpenedPicture> OpenMetafile(const std::string& path) {
    const auto rendered = RenderMetafile(path);
    if (!rendered) return std::nullopt;
    const QImage& pixels = rendered->image;  // RGBA, rows packed
    OpenedPicture picture;
    picture.width = rendered->width;
    picture.height = rendered->height;
    picture.bitDepth = 32;
    VipsImage* copy = vips_image_new_from_memory_copy(
        pixels.constBits(), static_cast<std::size_t>(pixels.sizeInBytes()), pixels.width(),
        pixels.height(), 4, VIPS_FORMAT_UCHAR);
    if (!copy) return std::nullopt;
    picture.image =
        VImage(copy).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    return picture;
}

std::string LoaderFor(const std::string& path) {
    const char* loader = vips_foreign_find_load(path.c_str());
    // The answer is a class name ("VipsForeignLoadJpegFile"); the nickname ("jpegload") is
    // what tells the formats apart.
    const char* nickname = loader ? vips_nickname_find(g_type_from_name(loader)) : nullptr;
    if (!nickname) {
        vips_error_clear();
        return {};
    }
    return nickname;
}

// Opens without decoding: sequential access (pixels stream through once) and failure on
// damaged or truncated data, so a broken file never gives a partly grey picture.
VImage Load(const std::string& loader, const std::string& path, int shrink) {
    VImage out;
    vips::VOption* options = VImage::option()
                                 ->set("filename", path.c_str())
                                 ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                 ->set("fail_on", VIPS_FAIL_ON_ERROR);
    if (shrink > 1 && loader == "jpegload") options->set("shrink", shrink);
    if (shrink > 1 && loader == "webpload") options->set("scale", 1.0 / shrink);
    VImage::call(loader.c_str(), options->set("out", &out));
    return out;
}

int CeilDiv(int value, int divisor) {
    return (value + divisor - 1) / divisor;
}

// libvips reads the orientation of JPEG, TIFF and WebP (and reports none for HEIF, which
// libheif turns itself); any value it passes on outside 1 to 8 counts as upright.
int OrientationOf(const VImage& image) {
    if (image.get_typeof("orientation") == 0) return kUpright;
    const int orientation = image.get_int("orientation");
    return orientation >= 1 && orientation <= 8 ? orientation : kUpright;
}

DrawSize Turned(DrawSize size, int orientation) {
    return SwapsSides(orientation) ? DrawSize{size.height, size.width} : size;
}

// How large a decode must stay, told from the picture's size and orientation as stored and
// answered as stored.
using NeededSize = std::function<DrawSize(int width, int height, int orientation)>;

}  // namespace

int ShrinkOnLoadFactor(int width, int height, DrawSize needed) {
    for (const int factor : {8, 4, 2}) {
        if (CeilDiv(width, factor) >= needed.width && CeilDiv(height, factor) >= needed.height)
            return factor;
    }
    return 1;
}

namespace {

// libvips' PNG loader does not report the depth of greyscale PNGs below 8 bits; the header
// holds it at a fixed place.
int PngSampleBits(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[26] = {};
    if (!in.read(head, sizeof head)) return 0;
    if (std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0)
        return 0;
    return static_cast<unsigned char>(head[24]);
}

// Indexed formats exist with 1, 4 and 8 bits; 2-bit pictures are held as 4-bit ones.
int PaletteDepth(int bits) {
    return bits <= 1 ? 1 : bits <= 4 ? 4 : 8;
}

// Unsigned little- or big-endian numbers from a header.
unsigned ReadUnsigned(const unsigned char* at, int bytes, bool littleEndian) {
    unsigned value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= unsigned{at[littleEndian ? i : bytes - 1 - i]} << (8 * i);
    return value;
}

std::string ReadHead(const std::string& path, std::size_t size) {
    std::ifstream in(path, std::ios::binary);
    std::string head(size, '\0');
    in.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

// BMP: the bits per pixel of the info header (biBitCount at offset 28, or 24 in the old
// OS/2 core header). ImageMagick hands every BMP over as RGB, palette or not.
int BmpDepth(const std::string& path) {
    const std::string head = ReadHead(path, 30);
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    if (head.size() < 30 || head.compare(0, 2, "BM") != 0) return 0;
    const unsigned infoSize = ReadUnsigned(bytes + 14, 4, true);
    const unsigned bits = ReadUnsigned(bytes + (infoSize == 12 ? 24 : 28), 2, true);
    if (bits >= 1 && bits <= 8) return PaletteDepth(static_cast<int>(bits));
    return bits == 16 || bits == 24 || bits == 32 ? static_cast<int>(bits) : 0;
}

// TIFF: palette pictures, and grey ones below 8 bits, have the depth of their samples;
// libvips decodes both to 8-bit bands. 0 for every other TIFF.
int TiffPaletteDepth(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[8] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M')) return 0;
    unsigned char count[2] = {};
    if (!in.seekg(ReadUnsigned(header + 4, 4, little)) ||
        !in.read(reinterpret_cast<char*>(count), sizeof count))
        return 0;
    unsigned photometric = ~0u, bits = 1;  // one bit per sample when the tag is missing
    for (unsigned i = 0, n = ReadUnsigned(count, 2, little); i < n && i < 1000; ++i) {
        unsigned char entry[12] = {};
        if (!in.read(reinterpret_cast<char*>(entry), sizeof entry)) return 0;
        const unsigned tag = ReadUnsigned(entry, 2, little);
        const unsigned type = ReadUnsigned(entry + 2, 2, little);
        const unsigned values = ReadUnsigned(entry + 4, 4, little);
        const unsigned value = ReadUnsigned(entry + 8, type == 3 ? 2 : 4, little);
        if (tag == 262) photometric = value;
        if (tag == 258) bits = values == 1 ? value : 8;  // several samples: no palette
    }
    const bool palette = photometric == 3 && bits <= 8;
    const bool lowGrey = (photometric == 0 || photometric == 1) && bits < 8;
    return palette || lowGrey ? PaletteDepth(static_cast<int>(bits)) : 0;
}

// Bits per pixel for the loaders that lose the stored depth, from the file's own header;
// 0 when the header does not settle it.
int HeaderDepth(const std::string& loader, const std::string& path) {
    if (loader == "magickload") return BmpDepth(path);
    if (loader == "tiffload") return TiffPaletteDepth(path);
    return 0;
}

}  // namespace

VImage ToSrgb8(VImage image) {
    VipsInterpretation space = image.guess_interpretation();
    const bool wide = image.format() == VIPS_FORMAT_USHORT || image.format() == VIPS_FORMAT_SHORT;
    if (wide && space == VIPS_INTERPRETATION_sRGB) space = VIPS_INTERPRETATION_RGB16;
    if (wide && space == VIPS_INTERPRETATION_B_W) space = VIPS_INTERPRETATION_GREY16;
    if (space != VIPS_INTERPRETATION_sRGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB,
                                  VImage::option()->set("source_space", space));
    if (image.format() != VIPS_FORMAT_UCHAR) image = image.cast(VIPS_FORMAT_UCHAR);
    const int keep = image.has_alpha() ? 4 : 3;
    if (image.bands() > keep) image = image.extract_band(0, VImage::option()->set("n", keep));
    return image;
}

namespace {

struct JpegHeader {
    DrawSize size;
    int orientation = kUpright;
};

// A JPEG's frame size and orientation read from its markers (the first frame header, after the
// application segments), so libvips can open the picture once, already shrinking. Empty when
// anything is not as expected: libvips then opens the file as any other.
std::optional<JpegHeader> JpegFrameSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::optional<int> orientation;  // from the first EXIF segment, the only one libvips reads
    const auto byte = [&in] { return in.get(); };  // -1 at the end
    if (byte() != 0xFF || byte() != 0xD8) return std::nullopt;
    for (;;) {
        int marker = byte();
        if (marker != 0xFF) return std::nullopt;
        while (marker == 0xFF) marker = byte();
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker < 0 || marker == 0xD9 || marker == 0xDA) return std::nullopt;
        const int high = byte();
        const int low = byte();
        const int length = high << 8 | low;
        if (low < 0 || high < 0 || length < 2) return std::nullopt;
        // Start of frame, any coding; C4, C8 and CC are tables and a reserved code.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            unsigned char head[5] = {};
            if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
            const DrawSize size{head[3] << 8 | head[4], head[1] << 8 | head[2]};
            if (size.width == 0 || size.height == 0) return std::nullopt;
            return JpegHeader{size, orientation.value_or(kUpright)};
        }
        if (marker == 0xE1) {  // APP1, where EXIF lives
            std::string segment(static_cast<std::size_t>(length - 2), '\0');
            if (!in.read(segment.data(), length - 2)) return std::nullopt;
            if (!orientation && segment.starts_with(std::string_view("Exif\0\0", 6)))
                orientation = ExifOrientation(reinterpret_cast<const std::uint8_t*>(segment.data()),
                                              segment.size());
            continue;
        }
        if (!in.seekg(length - 2, std::ios::cur)) return std::nullopt;
    }
}

// A JPEG opened once, at the shrink its frame size calls for: the same call, and so the same
// pixels, as the second open of the general path. Empty when libvips disagrees about the
// size or the orientation or fails, so the general path decides.
std::optional<OpenedPicture> OpenJpegOnce(const std::string& path, const NeededSize& needed) {
    const auto header = JpegFrameSize(path);
    if (!header) return std::nullopt;
    const DrawSize frame = header->size;
    try {
        const int shrink = ShrinkOnLoadFactor(
            frame.width, frame.height, needed(frame.width, frame.height, header->orientation));
        VImage image = Load("jpegload", path, shrink);
        if (image.width() != CeilDiv(frame.width, shrink) ||
            image.height() != CeilDiv(frame.height, shrink) ||
            OrientationOf(image) != header->orientation)
            return std::nullopt;
        if (!WithinDecodeLimits(image.width(), image.height())) return std::nullopt;
        OpenedPicture picture;
        picture.width = frame.width;
        picture.height = frame.height;
        picture.orientation = header->orientation;
        picture.bitDepth = BitDepthOf(image, 0);
        picture.image = ToSrgb8(image);
        return picture;
    } catch (const vips::VError&) {
        return std::nullopt;
    }
}

// The core of OpenPicture: `needed` tells from the full size how large the decode must stay.
std::optional<OpenedPicture> OpenFor(const std::string& path, const NeededSize& needed) {
    if (!EnsureImagingStarted()) return std::nullopt;
    try {
        if (IsMetafile(path)) return OpenMetafile(path);
        // LibRaw turns the picture upright itself.
        if (IsCameraRawPath(path))
            return OpenCameraRaw(
                path, [&](int width, int height) { return needed(width, height, kUpright); });
        const std::string loader = LoaderFor(path);
        if ((loader.empty() || loader == "magickload") && LooksLikeIcon(path))
            return OpenLargestIconFrame(path);
        if (loader.empty()) return std::nullopt;
        // The header is read once instead of twice; about 1.5% of a 12-megapixel decode.
        if (loader == "jpegload")
            if (auto picture = OpenJpegOnce(path, needed)) return picture;
        VImage image = Load(loader, path, 1);
        OpenedPicture picture;
        picture.width = image.width();
        picture.height = image.height();
        picture.orientation = OrientationOf(image);
        // GIFs always decode as 8-bit palette pictures, whatever their palette's size, as
        // the Windows imaging library reports every GIF.
        picture.bitDepth = loader == "gifload" ? 8 : HeaderDepth(loader, path);
        if (picture.bitDepth == 0)
            picture.bitDepth = BitDepthOf(image, loader == "pngload" ? PngSampleBits(path) : 0);
        if (loader == "jpegload" || loader == "webpload") {
            const int shrink =
                ShrinkOnLoadFactor(picture.width, picture.height,
                                   needed(picture.width, picture.height, picture.orientation));
            if (shrink > 1) image = Load(loader, path, shrink);
        }
        const std::int64_t limit = loader == "magickload" ? kMaxMagickPixels : kMaxDecodedPixels;
        if (!WithinDecodeLimits(image.width(), image.height(), limit)) return std::nullopt;
        picture.image = ToSrgb8(image);
        return picture;
    } catch (const vips::VError&) {
        return std::nullopt;
    }
}

struct GFreeDeleter {
    void operator()(void* memory) const { g_free(memory); }
};

}  // namespace

std::vector<std::uint8_t> ImageBytes(const VImage& image) {
    std::size_t size = 0;
    const std::unique_ptr<void, GFreeDeleter> memory(image.write_to_memory(&size));
    const auto* bytes = static_cast<const std::uint8_t*>(memory.get());
    return {bytes, bytes + size};
}

bool EnsureImagingStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        started = VIPS_INIT("morvane") == 0;
        if (!started) return;
        // liborc 0.4.33 is not safe when two threads compile vector code at once (seen as
        // crashes inside orc_code_allocate_codemem under the decode workers); the plain C
        // paths give the same fingerprints on every run and cannot race.
        vips_vector_set_enabled(FALSE);
        // Several pictures are decoded at once on worker threads; each keeps to its thread.
        vips_concurrency_set(1);
        // Every picture is decoded once: cached operations would only hold memory.
        vips_cache_set_max(0);
        KeepDecodeBuffers();
        // A damaged picture is simply left out of the comparison; libvips' warnings about
        // it would only fill the terminal of a large run.
        g_log_set_handler(
            "VIPS", G_LOG_LEVEL_WARNING,
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
    return started;
}

// Mapping from what the loader reports to bits per pixel:
//   palette-bit-depth 1 / 2..4 / 5..8      -> 1 / 4 / 8   (PNG, GIF palettes)
//   PNG grey below 8 bits (1, 2, 4)        -> 1 / 4 / 4   (held as palette pictures)
//   8-bit samples:  1 band 8, grey+alpha 32, RGB 24, RGBA or CMYK 32
//   16-bit samples: 1 band 16, grey+alpha 64, RGB 48, RGBA 64
//   other sample formats (float, 32-bit)   -> 0
int BitDepthOf(const VImage& image, int pngSampleBits) {
    if (image.get_typeof("palette-bit-depth") != 0)
        return PaletteDepth(image.get_int("palette-bit-depth"));
    if (pngSampleBits > 0 && pngSampleBits < 8) return PaletteDepth(pngSampleBits);
    int sampleBits = 0;
    switch (image.format()) {
        case VIPS_FORMAT_UCHAR:
        case VIPS_FORMAT_CHAR:
            sampleBits = 8;
            break;
        case VIPS_FORMAT_USHORT:
        case VIPS_FORMAT_SHORT:
            sampleBits = 16;
            break;
        default:
            return 0;
    }
    switch (image.bands()) {
        case 1:
            return sampleBits;
        case 2:  // grey with alpha is held as ARGB
            return 4 * sampleBits;
        case 3:
        case 4:
            return image.bands() * sampleBits;
        default:
            return 0;
    }
}

std::optional<OpenedPicture> OpenPicture(const std::string& path, int minWidth, int minHeight) {
    return OpenFor(path, [=](int, int, int) { return DrawSize{minWidth, minHeight}; });
}

DrawSize FitInBox(int width, int height, int boxWidth, int boxHeight) {
    if (width <= boxWidth && height <= boxHeight) return {width, height};
    const double pictureRatio = static_cast<double>(width) / height;
    const double boxRatio = static_cast<double>(boxWidth) / boxHeight;
    // nearbyint rounds halves to even in the default rounding mode.
    if (boxRatio < pictureRatio)
        return {boxWidth, static_cast<int>(std::nearbyint(boxWidth / pictureRatio))};
    return {static_cast<int>(std::nearbyint(boxHeight * pictureRatio)), boxHeight};
}

std::optional<DisplayPicture> DecodeForDisplay(const std::string& path, int boxWidth,
                                               int boxHeight) {
    if (boxWidth <= 0 || boxHeight <= 0) return std::nullopt;
    // The box holds the upright picture; the decode and its resize are done as stored.
    const auto drawn = [&](int width, int height, int orientation) {
        const DrawSize upright = Turned({width, height}, orientation);
        return FitInBox(upright.width, upright.height, boxWidth, boxHeight);
    };
    const auto opened = OpenFor(path, [&](int width, int height, int orientation) {
        return Turned(drawn(width, height, orientation), orientation);
    });
    if (!opened) return std::nullopt;
    const int orientation = opened->orientation;
    const DrawSize full = Turned({opened->width, opened->height}, orientation);
    const DrawSize draw = drawn(opened->width, opened->height, orientation);
    const bool shrunk = draw.width != full.width || draw.height != full.height;
    if (shrunk && (draw.width < 4 || draw.height < 4)) return std::nullopt;
    try {
        VImage image = opened->image;
        const DrawSize stored = Turned(draw, orientation);
        if (image.width() != stored.width || image.height() != stored.height) {
            const bool alpha = image.bands() == 4;
            // Premultiplied, so transparent pixels do not bleed their colour into the edges.
            if (alpha) image = image.premultiply();
            image = image.resize(
                static_cast<double>(stored.width) / image.width(),
                VImage::option()
                    ->set("vscale", static_cast<double>(stored.height) / image.height())
                    ->set("kernel", VIPS_KERNEL_CUBIC));
            if (alpha) image = image.unpremultiply().cast(VIPS_FORMAT_UCHAR);
        }
        if (image.width() != stored.width || image.height() != stored.height) return std::nullopt;
        std::vector<std::uint8_t> pixels = ImageBytes(image);
        // Turned only once small: the whole picture never has to be held.
        if (orientation != kUpright)
            pixels =
                TurnUpright(pixels.data(), stored.width, stored.height, image.bands(), orientation);
        return DisplayPicture{full.width,  full.height,   draw.width,
                              draw.height, image.bands(), std::move(pixels)};
    } catch (const vips::VError&) {
        return std::nullopt;
    }
}

}  // namespace morvane
