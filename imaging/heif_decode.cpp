// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/heif_decode.h"

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "imaging/whole_file.h"

namespace morvane {
namespace {

template <auto Release>
struct Releaser {
    template <typename T>
    void operator()(T* object) const {
        Release(object);
    }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Releaser<heif_image_release>>;

// A leading file type box with one of the HEVC brands libvips' loader knows the format by.
// AVIF is left to libvips.
bool StartsAsHeif(const std::uint8_t* head) {
    static constexpr std::array<const char*, 9> kBrands = {"heic", "heix", "hevc", "heim", "heis",
                                                           "hevm", "hevs", "mif1", "msf1"};
    return std::memcmp(head + 4, "ftyp", 4) == 0 &&
           std::any_of(kBrands.begin(), kBrands.end(),
                       [head](const char* brand) { return std::memcmp(head + 8, brand, 4) == 0; });
}

bool Ok(const heif_error& error) {
    return error.code == heif_error_Ok;
}

}  // namespace

bool DecodeHeifRows(const std::string& path, const HeifRowHandlers& handlers) {
    const WholeFile file = ReadWholeFile(path, kHeadBytes, StartsAsHeif);
    if (file.size == 0) return false;
    const Context context(heif_context_alloc());
    heif_image_handle* rawHandle = nullptr;
    if (!context ||
        !Ok(heif_context_read_from_memory_without_copy(context.get(), file.data.get(), file.size,
                                                       nullptr)) ||
        !Ok(heif_context_get_primary_image_handle(context.get(), &rawHandle)))
        return false;
    const Handle handle(rawHandle);
    // With alpha libvips decodes R,G,B,A and flattens it; deeper samples come as 16 bits.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (heif_image_handle_has_alpha_channel(handle.get()) ||
        heif_image_handle_get_luma_bits_per_pixel(handle.get()) != 8 || width < 1 || height < 1 ||
        !handlers.Begin(width, height))
        return false;
    heif_image* rawImage = nullptr;
    if (!Ok(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              heif_chroma_interleaved_RGB, nullptr)))
        return false;
    const Image image(rawImage);
    int stride = 0;
    const std::uint8_t* rows =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    // libvips fails a picture whose decoded size differs from the one announced.
    if (!rows || stride < 3 * width ||
        heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
        heif_image_get_height(image.get(), heif_channel_interleaved) != height)
        return false;
    for (int y = 0; y < height; ++y) handlers.Row(rows + static_cast<std::size_t>(stride) * y);
    return true;
}

}  // namespace morvane
