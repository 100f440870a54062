// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/plain_formats.h"

#include <libheif/heif.h>
#include <png.h>
#include <webp/decode.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "imaging/decode.h"

namespace morvane::bench {
namespace {

// The fingerprint opens other formats at least this large on the shorter side.
constexpr int kMinDecodedSide = 512;

std::int64_t DecodePng(const std::vector<std::uint8_t>& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return 0;
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    png_image_free(&image);
    return read ? std::int64_t{image.width} * image.height : 0;
}

// libvips' WebP loader scales while decoding, to the size rounded to the nearest pixel.
std::int64_t DecodeWebP(const std::vector<std::uint8_t>& file) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(file.data(), file.size(), &config.input) != VP8_STATUS_OK)
        return 0;
    const int width = config.input.width, height = config.input.height;
    const int shrink = ShrinkOnLoadFactor(width, height, {kMinDecodedSide, kMinDecodedSide});
    if (shrink > 1) {
        config.options.use_scaling = 1;
        config.options.scaled_width = static_cast<int>(std::lround(double(width) / shrink));
        config.options.scaled_height = static_cast<int>(std::lround(double(height) / shrink));
    }
    config.output.colorspace = MODE_RGB;
    const bool read = WebPDecode(file.data(), file.size(), &config) == VP8_STATUS_OK;
    const std::int64_t pixels = std::int64_t{config.output.width} * config.output.height;
    WebPFreeDecBuffer(&config.output);
    return read ? pixels : 0;
}

// HEIF has no shrink on load in the fingerprint's path: the primary picture, whole.
std::int64_t DecodeHeif(const std::vector<std::uint8_t>& file) {
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              heif_context_free);
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr)
            .code != heif_error_Ok)
        return 0;
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return 0;
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        rawHandle, heif_image_handle_release);
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          nullptr)
            .code != heif_error_Ok)
        return 0;
    const std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage,
                                                                           heif_image_release);
    return std::int64_t{heif_image_get_width(image.get(), heif_channel_interleaved)} *
           heif_image_get_height(image.get(), heif_channel_interleaved);
}

}  // namespace

bool FormatOfName(const std::string& path, Format& format) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".jpg" || extension == ".jpeg")
        format = Format::Jpeg;
    else if (extension == ".png")
        format = Format::Png;
    else if (extension == ".webp")
        format = Format::WebP;
    else if (extension == ".heic" || extension == ".heif")
        format = Format::Heif;
    else
        return false;
    return true;
}

const char* FormatName(Format format) {
    static const char* const names[] = {"JPEG", "PNG", "WebP", "HEIC"};
    return names[static_cast<int>(format)];
}

const char* FormatMasks(Format format) {
    static const char* const masks[] = {"*.jpg;*.jpeg", "*.png", "*.webp", "*.heic;*.heif"};
    return masks[static_cast<int>(format)];
}

std::vector<std::string> ListFormat(const std::string& folder, Format format) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        Format found{};
        if (entry.is_regular_file() && FormatOfName(entry.path().string(), found) &&
            found == format)
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::int64_t DecodeOther(const std::vector<std::uint8_t>& file, Format format) {
    if (file.empty()) return 0;
    switch (format) {
        case Format::Png:
            return DecodePng(file);
        case Format::WebP:
            return DecodeWebP(file);
        case Format::Heif:
            return DecodeHeif(file);
        default:
            return 0;
    }
}

}  // namespace morvane::bench
