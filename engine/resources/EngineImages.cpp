#include "engine/resources/EngineImages.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "core/base/Log.h"
#include "core/base/Streams.h"

// After <cstdio>: the libjpeg header uses FILE.
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

// libpng and libjpeg report errors by longjmp. Every function below that calls
// setjmp keeps only trivially destructible locals, so a jump never skips a
// destructor; buffers and surfaces live in the caller's frame.

namespace {

// Larger pictures are refused before any pixel memory is taken, so a damaged
// header cannot ask for gigabytes.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

void LogImage(const std::string& message) {
    Log("IMAGE", message);
}

void LogFailure(const char* kind, const std::string& what, const char* reason) {
    LogImage("cannot decode " + std::string(kind) + " \"" + what + "\": " + reason);
}

bool SizeAllowed(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           uint64_t{width} * height <= kMaxPixels;
}

// A surface of the given size; null (and a log line) when memory runs out.
Ref<ISurface> NewSurface(uint32_t width, uint32_t height, const char* kind,
                         const std::string& what) {
    try {
        Ref<TSurface> surface = CreateObject<TSurface>();
        surface->SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
        if (!surface->HasPixels()) return nullptr;
        return surface;
    } catch (const std::bad_alloc&) {
        LogFailure(kind, what, "out of memory");
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// PNG

struct TPngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char message[128];
};

void PngError(png_structp png, png_const_charp message) {
    auto* source = static_cast<TPngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->pos) png_error(png, "file is truncated");
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

// Reads the header and sets the transforms that give 8-bit channels in the
// byte order of a pixel word: palette, grey, low depths and tRNS expanded,
// 16-bit reduced to the high byte, alpha 255 added where there is none.
bool PngReadHeader(png_structp png, png_infop info, uint32_t& width, uint32_t& height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, png_get_error_ptr(png), PngRead);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    const bool hasAlpha =
        (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if constexpr (std::endian::native == std::endian::little) {
        png_set_bgr(png);  // bytes B G R A
        if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    } else {
        if (!hasAlpha)
            png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);  // bytes A R G B
        else
            png_set_swap_alpha(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4) png_error(png, "unexpected row layout");
    return true;
}

bool PngReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

struct TPngGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~TPngGuard() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// ---------------------------------------------------------------------------
// JPEG

struct TJpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegFail(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<TJpegError*>(cinfo->err);
    cinfo->err->format_message(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// The default handler prints and exits the process; here an error jumps back
// to the decoder.
void JpegErrorExit(j_common_ptr cinfo) {
    JpegFail(cinfo);
}

// Warnings are ignored, except the ones that mean the data ends early: the
// library would fill the rest with grey, this decoder refuses the file.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) JpegFail(cinfo);
    ++cinfo->err->num_warnings;
}

bool JpegReadHeader(jpeg_decompress_struct* cinfo, TJpegError* error, const uint8_t* data,
                    size_t size, uint32_t& width, uint32_t& height) {
    if (setjmp(error->jump)) return false;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    // Straight into pixel words: B G R A bytes (A R G B on big-endian
    // machines), alpha 255; grey pictures are widened by the library.
    cinfo->out_color_space =
        std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    jpeg_calc_output_dimensions(cinfo);
    width = cinfo->output_width;
    height = cinfo->output_height;
    return true;
}

bool JpegReadRows(jpeg_decompress_struct* cinfo, TJpegError* error, JSAMPROW* rows) {
    if (setjmp(error->jump)) return false;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != 4) JpegFail(reinterpret_cast<j_common_ptr>(cinfo));
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION done = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, rows + done, cinfo->output_height - done) == 0)
            JpegFail(reinterpret_cast<j_common_ptr>(cinfo));
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

struct TJpegGuard {
    jpeg_decompress_struct cinfo;
    TJpegError error;
    TJpegGuard() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&error, 0, sizeof error);
        cinfo.err = jpeg_std_error(&error.mgr);
        error.mgr.error_exit = JpegErrorExit;
        error.mgr.emit_message = JpegEmitMessage;
    }
    ~TJpegGuard() { jpeg_destroy_decompress(&cinfo); }
};

// The whole stream as bytes.
std::string ReadStream(TStream& stream) {
    stream.SetPosition(0);
    return ReadAllText(stream);
}

}  // namespace

// ---------------------------------------------------------------------------
// Decoders

namespace {
std::atomic<uint64_t> decodeCount{0};
}  // namespace

uint64_t ImageDecodeCount() {
    return decodeCount.load(std::memory_order_relaxed);
}

bool DecodePngToSurface(const uint8_t* data, size_t size, const std::string& what,
                        Ref<ISurface>& surface) {
    decodeCount.fetch_add(1, std::memory_order_relaxed);
    surface = nullptr;
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        LogFailure("PNG", what, "not a PNG file");
        return false;
    }
    TPngSource source{data, size, 0, {}};
    TPngGuard guard;
    guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, PngError, PngWarning);
    if (guard.png) guard.info = png_create_info_struct(guard.png);
    if (!guard.info) {
        LogFailure("PNG", what, "out of memory");
        return false;
    }
    uint32_t width = 0, height = 0;
    if (!PngReadHeader(guard.png, guard.info, width, height)) {
        LogFailure("PNG", what, source.message);
        return false;
    }
    if (!SizeAllowed(width, height)) {
        LogFailure("PNG", what, "picture too large");
        return false;
    }
    Ref<ISurface> result = NewSurface(width, height, "PNG", what);
    if (!result) return false;
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(result->GetScanLine(static_cast<int32_t>(y)));
    if (!PngReadRows(guard.png, guard.info, rows.data())) {
        LogFailure("PNG", what, source.message);
        return false;
    }
    result->SetTransparent(true);
    surface = std::move(result);
    return true;
}

bool DecodeJpegToSurface(const uint8_t* data, size_t size, const std::string& what,
                         Ref<ISurface>& surface) {
    decodeCount.fetch_add(1, std::memory_order_relaxed);
    surface = nullptr;
    if (!data || size < 3 || data[0] != 0xFF || data[1] != 0xD8) {
        LogFailure("JPEG", what, "not a JPEG file");
        return false;
    }
    TJpegGuard guard;
    uint32_t width = 0, height = 0;
    if (!JpegReadHeader(&guard.cinfo, &guard.error, data, size, width, height)) {
        LogFailure("JPEG", what, guard.error.message);
        return false;
    }
    if (!SizeAllowed(width, height)) {
        LogFailure("JPEG", what, "picture too large");
        return false;
    }
    Ref<ISurface> result = NewSurface(width, height, "JPEG", what);
    if (!result) return false;
    std::vector<JSAMPROW> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<JSAMPROW>(result->GetScanLine(static_cast<int32_t>(y)));
    if (!JpegReadRows(&guard.cinfo, &guard.error, rows.data())) {
        LogFailure("JPEG", what, guard.error.message);
        return false;
    }
    result->SetTransparent(false);
    surface = std::move(result);
    return true;
}

// ---------------------------------------------------------------------------
// TImageResource

namespace {

// The file through the owner, decoded by decode; null when it cannot be
// opened or decoded. A file that cannot be opened is logged once per load
// with the resource that asked for it: the widgets showing it stay blank.
template <class TDecode>
Ref<ISurface> OpenAndDecode(IResourceOwner* owner, const std::string& file, TDecode decode,
                            const std::string& resource) {
    if (!owner) return nullptr;
    try {
        std::unique_ptr<TStream> stream = owner->OpenStream(file);
        if (!stream) {
            LogImage("the file \"" + file + "\" of the resource \"" + resource +
                     "\" is missing or cannot be opened");
            return nullptr;
        }
        Ref<ISurface> surface;
        if (auto* memory = dynamic_cast<TMemoryStream*>(stream.get())) {
            // A pack entry is already in memory: decode it where it is.
            decode(memory->Memory(), memory->Bytes().size(), file, surface);
        } else {
            const std::string bytes = ReadStream(*stream);
            decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file, surface);
        }
        return surface;
    } catch (const std::exception& e) {
        LogImage("cannot read \"" + file + "\": " + e.what());
        return nullptr;
    }
}

}  // namespace

int32_t TImageResource::GetWidth() {
    if (NeedsLoad()) Load();
    return width_;
}

int32_t TImageResource::GetHeight() {
    if (NeedsLoad()) Load();
    return height_;
}

Ref<ISurface> TImageResource::GetSurface() {
    if (NeedsLoad()) Load();
    return surface_;
}

void TImageResource::Load() {
    TResource::Load();
    LoadImage();
}

void TImageResource::Unload() {
    TResource::Unload();
    FreeImage();
}

bool TImageResource::IsAvailable() {
    if (!Owner()) return false;
    try {
        return Owner()->OpenStream(FileName()) != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

const TPropertyTable& TImageResource::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TImageResource>(TResource::Table())
            .Field("format", &TImageResource::format_, kImageFormatUnknown).Enum(kImageFormatNames)
            .Build();
    // clang-format on
    return table;
}

void TImageResource::LoadImage() {
    if (decoded_) return;
    decoded_ = true;
    switch (format_) {
        case kImageFormatPng:
            LoadPNG();
            break;
        case kImageFormatJpeg:
            LoadJPEG();
            break;
        case kImageFormatJpng:
            LoadJPNG();
            break;
        default:
            break;
    }
}

void TImageResource::FreeImage() {
    surface_ = nullptr;
    decoded_ = false;
}

void TImageResource::LoadPNG() {
    surface_ = OpenAndDecode(Owner(), FileName(), DecodePngToSurface, GetName());
    if (surface_) {
        width_ = surface_->GetWidth();
        height_ = surface_->GetHeight();
    }
}

void TImageResource::LoadJPEG() {
    surface_ = OpenAndDecode(Owner(), FileName(), DecodeJpegToSurface, GetName());
    if (surface_) {
        width_ = surface_->GetWidth();
        height_ = surface_->GetHeight();
    }
}

void TImageResource::LoadJPNG() {
    const std::string& file = FileName();
    Ref<ISurface> mask = OpenAndDecode(Owner(), file, DecodePngToSurface, GetName());
    if (!mask) return;
    const std::string colorFile =
        (file.size() > 4 ? file.substr(0, file.size() - 4) : std::string()) + ".jpg";
    Ref<ISurface> color = OpenAndDecode(Owner(), colorFile, DecodeJpegToSurface, GetName());
    if (!color) return;

    // The colour picture gives the size; the mask's red channel the opacity.
    // Where a smaller mask has no pixel the picture stays opaque.
    const int32_t width = color->GetWidth();
    const int32_t height = color->GetHeight();
    const int32_t maskWidth = std::min(width, mask->GetWidth());
    const int32_t maskHeight = std::min(height, mask->GetHeight());
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = color->GetScanLine(y);
        const uint32_t* maskRow = y < maskHeight ? mask->GetScanLine(y) : nullptr;
        int32_t x = 0;
        if (maskRow) {
            for (; x < maskWidth; ++x)
                row[x] = (row[x] & 0x00FFFFFFu) | ((maskRow[x] << 8) & 0xFF000000u);
        }
        // JPEG pixels already carry alpha 255.
    }
    if (mask->GetWidth() != width || mask->GetHeight() != height) {
        LogImage("mask \"" + file + "\" is " + std::to_string(mask->GetWidth()) + "x" +
                 std::to_string(mask->GetHeight()) + ", its picture " + std::to_string(width) +
                 "x" + std::to_string(height));
    }
    color->SetTransparent(true);
    surface_ = std::move(color);
    width_ = width;
    height_ = height;
}
