// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/jpeg_decode.h"

#include "imaging/orientation.h"
#include "imaging/whole_file.h"

// jpeglib.h needs FILE and size_t declared first.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace morvane {
namespace {

// libvips gives up on a picture after this many libjpeg warnings (damaged data).
constexpr long kMaxWarnings = 100;
// libvips decodes in strips of this many rows.
constexpr int kStripRows = 8;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && ++cinfo->err->num_warnings >= kMaxWarnings) cinfo->err->error_exit(cinfo);
}

void OutputMessage(j_common_ptr) {}

// The whole file is in the buffer from the start: asking for more means the data ended early,
// which fails the picture as libvips fails it.
boolean FillInput(j_decompress_ptr cinfo) {
    cinfo->err->msg_code = JERR_INPUT_EOF;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    return FALSE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& source = *cinfo->src;
    if (static_cast<unsigned long>(count) > source.bytes_in_buffer) FillInput(cinfo);
    source.next_input_byte += count;
    source.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void NoOp(j_decompress_ptr) {}

// Destroys the decompressor however the decode ends; harmless on one never created.
struct DecompressGuard {
    jpeg_decompress_struct* cinfo;
    ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

// The orientation of the first EXIF segment: libvips reads no other.
int OrientationOf(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0)
            return ExifOrientation(marker->data, marker->data_length);
    }
    return kUpright;
}

int BandsOf(const jpeg_decompress_struct& cinfo) {
    if (cinfo.out_color_space == JCS_GRAYSCALE && cinfo.num_components == 1) return 1;
    if (cinfo.out_color_space == JCS_RGB && cinfo.num_components == 3) return 3;
    return 0;
}

// Everything libjpeg may leave by longjmp is in here, and every object with a destructor is
// made before the jump point, so a jump skips no destructor.
bool Decode(const WholeFile& file, const JpegRowHandlers& handlers) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    jpeg_source_mgr source{};
    const DecompressGuard guard{&cinfo};
    JpegFrame frame;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    if (setjmp(errors.jump)) return false;

    jpeg_create_decompress(&cinfo);
    source.next_input_byte = file.data.get();
    source.bytes_in_buffer = file.size;
    source.init_source = NoOp;
    source.fill_input_buffer = FillInput;
    source.skip_input_data = SkipInput;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = NoOp;
    cinfo.src = &source;
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    frame.bands = BandsOf(cinfo);
    if (frame.bands == 0) return false;
    frame.fullWidth = static_cast<int>(cinfo.image_width);
    frame.fullHeight = static_cast<int>(cinfo.image_height);
    frame.orientation = OrientationOf(cinfo);
    const int shrink = handlers.ShrinkFor(frame.fullWidth, frame.fullHeight);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(shrink);
    frame.width = frame.fullWidth / shrink;
    frame.height = frame.fullHeight / shrink;
    if (frame.width <= 0 || frame.height <= 0 || !handlers.Begin(frame)) return false;

    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != frame.bands ||
        cinfo.output_width < static_cast<JDIMENSION>(frame.width) ||
        cinfo.output_height < static_cast<JDIMENSION>(frame.height))
        return false;
    // libvips decodes whole strips; the rows past the picture's last in its strip are read
    // too, so a file that ends there fails here as it fails there.
    const JDIMENSION lastRow = std::min<JDIMENSION>(
        cinfo.output_height, (frame.height + kStripRows - 1) / kStripRows * kStripRows);
    const JSAMPARRAY lines = (*cinfo.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
        cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components),
        static_cast<JDIMENSION>(cinfo.rec_outbuf_height));
    while (cinfo.output_scanline < lastRow) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION read =
            jpeg_read_scanlines(&cinfo, lines, static_cast<JDIMENSION>(cinfo.rec_outbuf_height));
        for (JDIMENSION i = 0; i < read; ++i)
            if (first + i < static_cast<JDIMENSION>(frame.height)) handlers.Row(lines[i]);
    }
    return true;
}

}  // namespace

bool DecodeJpegRows(const std::string& path, const JpegRowHandlers& handlers) {
    const WholeFile file = ReadWholeFile(
        path, 4, [](const std::uint8_t* head) { return head[0] == 0xFF && head[1] == 0xD8; });
    if (file.size < 4) return false;
    return Decode(file, handlers);
}

}  // namespace morvane
