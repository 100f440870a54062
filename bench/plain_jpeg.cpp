// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/plain_jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "imaging/decode.h"

namespace morvane::bench {
namespace {

// The fingerprint's JPEG path shrinks while the shorter side keeps this many pixels.
constexpr int kMinDecodedSide = 512;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void Quiet(j_common_ptr) {}

struct DecompressGuard {
    jpeg_decompress_struct* cinfo;
    ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

// Made before libjpeg may jump out, so a jump skips no destructor.
struct Buffers {
    std::vector<std::vector<std::uint8_t>> planes;
    std::vector<std::vector<JSAMPROW>> rows;
    std::vector<JSAMPARRAY> arrays;
    std::vector<std::uint8_t> scratch;
    std::vector<JSAMPROW> lines;
};

// One iMCU row of planes at a time: entropy decoding and the scaled IDCT, nothing after.
void ReadRaw(jpeg_decompress_struct& cinfo, Buffers& buffers) {
    const int rowsPerPass = cinfo.max_v_samp_factor * cinfo.min_DCT_scaled_size;
    auto& planes = buffers.planes;
    auto& rows = buffers.rows;
    auto& arrays = buffers.arrays;
    planes.resize(cinfo.num_components);
    rows.resize(cinfo.num_components);
    arrays.resize(cinfo.num_components);
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        const std::size_t width = component.width_in_blocks * component.DCT_scaled_size;
        const int height = component.v_samp_factor * component.DCT_scaled_size;
        planes[c].resize(width * height);
        for (int y = 0; y < height; ++y) rows[c].push_back(planes[c].data() + width * y);
        arrays[c] = rows[c].data();
    }
    while (cinfo.output_scanline < cinfo.output_height)
        if (jpeg_read_raw_data(&cinfo, arrays.data(), rowsPerPass) == 0) break;
}

void ReadRows(jpeg_decompress_struct& cinfo, bool keep, PlainPicture& out, Buffers& buffers) {
    const std::size_t stride = std::size_t{cinfo.output_width} * cinfo.output_components;
    auto& scratch = buffers.scratch;
    auto& rows = buffers.lines;
    scratch.resize(stride * cinfo.rec_outbuf_height);
    if (keep) out.rows.resize(stride * cinfo.output_height);
    rows.resize(cinfo.rec_outbuf_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* base =
            keep ? out.rows.data() + stride * cinfo.output_scanline : scratch.data();
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = keep ? base + stride * std::min<std::size_t>(
                                                 i, cinfo.output_height - cinfo.output_scanline - 1)
                           : base + stride * i;
        if (jpeg_read_scanlines(&cinfo, rows.data(), cinfo.rec_outbuf_height) == 0) break;
    }
}

bool Decode(const std::vector<std::uint8_t>& file, Depth depth, bool keep, PlainPicture& out) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    const DecompressGuard guard{&cinfo};
    Buffers buffers;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.output_message = Quiet;
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(FingerprintShrink(
        static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height)));
    if (depth == Depth::Raw) cinfo.raw_data_out = TRUE;
    if (depth == Depth::YCbCr && cinfo.jpeg_color_space == JCS_YCbCr)
        cinfo.out_color_space = JCS_YCbCr;
    jpeg_start_decompress(&cinfo);
    out.fullWidth = static_cast<int>(cinfo.image_width);
    out.fullHeight = static_cast<int>(cinfo.image_height);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    if (depth == Depth::Raw)
        ReadRaw(cinfo, buffers);
    else
        ReadRows(cinfo, keep, out, buffers);
    jpeg_abort_decompress(&cinfo);
    return true;
}

}  // namespace

std::vector<std::string> ListJpegs(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".jpeg"))
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::rewind(file);
        if (size > 0) {
            bytes.resize(static_cast<std::size_t>(size));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        }
    }
    std::fclose(file);
    return bytes;
}

int FingerprintShrink(int width, int height) {
    return ShrinkOnLoadFactor(width, height, {kMinDecodedSide, kMinDecodedSide});
}

bool DecodePlain(const std::vector<std::uint8_t>& file, Depth depth, bool keep, PlainPicture& out) {
    out = PlainPicture{};
    return !file.empty() && Decode(file, depth, keep, out);
}

}  // namespace morvane::bench
