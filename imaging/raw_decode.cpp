// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/raw_decode.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "imaging/whole_file.h"

namespace morvane {
namespace {

using vips::VImage;

// The preview stands in for the sensor data when it is at least this long: decoding it is
// many times quicker than demosaicing, and it is the picture the camera showed.
constexpr int kMinPreviewSide = 512;

struct ProcessedImageDeleter {
    void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
};
using ProcessedImage = std::unique_ptr<libraw_processed_image_t, ProcessedImageDeleter>;

struct BlobDeleter {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};

// Packed 8-bit pixels as an sRGB image of its own (a grey picture gets three equal bands).
VImage FromPixels(const void* pixels, std::size_t size, int width, int height, int bands) {
    VipsImage* copy =
        vips_image_new_from_memory_copy(pixels, size, width, height, bands, VIPS_FORMAT_UCHAR);
    if (!copy) throw vips::VError("raw: no memory for the pixels");
    VImage image(copy);
    if (bands == 1) image = VImage::bandjoin({image, image, image});
    return image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// LibRaw's flip (dcraw's): bit 0 mirrors the columns and bit 1 the rows of the stored
// picture, bit 2 then swaps rows and columns.
VImage Upright(VImage image, int flip) {
    if (flip & 1) image = image.flip(VIPS_DIRECTION_HORIZONTAL);
    if (flip & 2) image = image.flip(VIPS_DIRECTION_VERTICAL);
    if (flip & 4) image = image.rot(VIPS_ANGLE_D90).flip(VIPS_DIRECTION_HORIZONTAL);
    return image;
}

// The embedded JPEG through libvips' JPEG loader, shrunk on load while it keeps what the caller
// needs, decoded into memory before the bytes go with the LibRaw handle.
std::optional<VImage> JpegPreview(const libraw_thumbnail_t& thumb, int flip,
                                  const std::function<DrawSize(int, int)>& needed) {
    const std::unique_ptr<VipsBlob, BlobDeleter> blob(
        vips_blob_new(nullptr, thumb.thumb, thumb.tlength));
    const auto load = [&](int shrink) {
        VImage out;
        VImage::call("jpegload_buffer", VImage::option()
                                            ->set("buffer", blob.get())
                                            ->set("shrink", shrink)
                                            ->set("fail_on", VIPS_FAIL_ON_ERROR)
                                            ->set("out", &out));
        return out;
    };
    const VImage header = load(1);
    const int width = header.width(), height = header.height();
    if (std::max(width, height) < kMinPreviewSide || !WithinDecodeLimits(width, height))
        return std::nullopt;
    // What the caller needs is told for the upright picture.
    DrawSize need = flip & 4 ? needed(height, width) : needed(width, height);
    if (flip & 4) std::swap(need.width, need.height);
    VImage image = load(ShrinkOnLoadFactor(width, height, need));
    if (image.bands() != 3 && image.bands() != 1) return std::nullopt;  // CMYK previews
    if (image.bands() == 1) image = VImage::bandjoin({image, image, image});
    return image.copy_memory();
}

std::optional<VImage> Preview(LibRaw& raw, const std::function<DrawSize(int, int)>& needed) {
    const libraw_thumbnail_t& thumb = raw.imgdata.thumbnail;
    if (std::max(thumb.twidth, thumb.theight) < kMinPreviewSide) return std::nullopt;
    if (raw.unpack_thumb() != LIBRAW_SUCCESS || !thumb.thumb) return std::nullopt;
    const int flip = raw.imgdata.sizes.flip;
    if (thumb.tformat == LIBRAW_THUMBNAIL_JPEG) {
        try {
            return JpegPreview(thumb, flip, needed);
        } catch (const vips::VError&) {
            return std::nullopt;  // a damaged preview: the sensor data may still be whole
        }
    }
    const std::size_t size = std::size_t{3} * thumb.twidth * thumb.theight;
    if (thumb.tformat != LIBRAW_THUMBNAIL_BITMAP || thumb.tcolors != 3 || thumb.tlength < size ||
        !WithinDecodeLimits(thumb.twidth, thumb.theight))
        return std::nullopt;
    return FromPixels(thumb.thumb, size, thumb.twidth, thumb.theight, 3);
}

// Half-size demosaic: each 2x2 cell of the sensor gives one pixel, so no interpolation is
// needed; camera white balance, sRGB with its own curve, 8 bits, brightness as exposed (not
// stretched by the picture's own histogram). LibRaw turns it upright.
std::optional<VImage> Demosaiced(LibRaw& raw) {
    libraw_output_params_t& params = raw.imgdata.params;
    params.half_size = 1;
    params.use_camera_wb = 1;
    params.output_color = 1;
    params.output_bps = 8;
    params.no_auto_bright = 1;
    params.gamm[0] = 1 / 2.4;
    params.gamm[1] = 12.92;
    if (raw.unpack() != LIBRAW_SUCCESS || raw.dcraw_process() != LIBRAW_SUCCESS)
        return std::nullopt;
    int error = 0;
    const ProcessedImage image(raw.dcraw_make_mem_image(&error));
    if (!image || error != LIBRAW_SUCCESS || image->type != LIBRAW_IMAGE_BITMAP ||
        image->bits != 8 || (image->colors != 3 && image->colors != 1))
        return std::nullopt;
    const std::size_t size = std::size_t{image->colors} * image->width * image->height;
    if (image->data_size < size) return std::nullopt;
    return FromPixels(image->data, size, image->width, image->height, image->colors);
}

}  // namespace

bool IsCameraRawPath(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(std::begin(kCameraRawExtensions), std::end(kCameraRawExtensions), extension) !=
           std::end(kCameraRawExtensions);
}

std::optional<OpenedPicture> OpenCameraRaw(const std::string& path,
                                           const std::function<DrawSize(int, int)>& needed) {
    // Read whole and handed over from memory: LibRaw would open a pipe and wait on it.
    const WholeFile file = ReadWholeFile(
        path, kHeadBytes, [](const std::uint8_t*) { return true; }, kMaxRawFileBytes);
    if (file.size == 0) return std::nullopt;
    try {
        const auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
        if (raw->open_buffer(file.data.get(), file.size) != LIBRAW_SUCCESS) return std::nullopt;
        const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
        if (std::int64_t{sizes.raw_width} * sizes.raw_height > kMaxRawPixels || sizes.width == 0 ||
            sizes.height == 0)
            return std::nullopt;
        const bool turned = sizes.flip & 4;
        OpenedPicture picture;
        picture.width = turned ? sizes.height : sizes.width;
        picture.height = turned ? sizes.width : sizes.height;
        picture.bitDepth = 24;
        if (auto preview = Preview(*raw, needed))
            picture.image = Upright(*preview, sizes.flip);
        else if (auto demosaiced = Demosaiced(*raw))
            picture.image = *demosaiced;
        else
            return std::nullopt;
        return picture;
    } catch (const vips::VError&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace morvane
