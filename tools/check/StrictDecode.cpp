#include "tools/check/StrictDecode.h"

#include <jpeglib.h>
#include <libopenmpt/libopenmpt.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/base/AsciiText.h"
#include "platform/audio/AudioDecoders.h"

namespace {

// --- JPEG

struct TJpegErrors {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
    bool warned;
};

[[noreturn]] void JpegExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
    cinfo->err->format_message(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void JpegMessage(j_common_ptr cinfo, int level) {
    auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
    if (level >= 0 || errors->warned) return;
    errors->warned = true;
    cinfo->err->format_message(cinfo, errors->warning);
}

// Only trivially destructible locals: a longjmp skips no destructor.
bool JpegDecode(jpeg_decompress_struct* cinfo, TJpegErrors* errors, const std::string& bytes,
                JSAMPLE* row) {
    if (setjmp(errors->jump)) return false;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(cinfo, TRUE);
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) JpegExit(reinterpret_cast<j_common_ptr>(cinfo));
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// --- PNG

struct TPngSource {
    const std::string* bytes;
    size_t pos;
    char message[256];
};

void PngFail(png_structp png, png_const_charp message) {
    auto* source = static_cast<TPngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message);
    png_longjmp(png, 1);
}

void PngRead(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (count > source->bytes->size() - source->pos) png_error(png, "the file ends early");
    std::memcpy(out, source->bytes->data() + source->pos, count);
    source->pos += count;
}

bool PngDecode(png_structp png, png_infop info, std::vector<png_byte>* row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    row->resize(png_get_rowbytes(png, info));
    const int passes = png_set_interlace_handling(png);
    const uint32_t height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < height; ++y) png_read_row(png, row->data(), nullptr);
    }
    png_read_end(png, info);
    return true;
}

uint32_t ReadU32(const std::string& bytes, size_t at) {
    auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

bool EndsWith(const std::string& name, const char* ending) {
    const std::string upper = UpperAsciiString(name);
    const std::string tail = UpperAsciiString(ending);
    return upper.size() >= tail.size() && upper.compare(upper.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string StrictJpegDamage(const std::string& bytes) {
    jpeg_decompress_struct cinfo;
    TJpegErrors errors;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&errors, 0, sizeof errors);
    cinfo.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = JpegExit;
    errors.mgr.emit_message = JpegMessage;
    // A row of the widest picture the library may give, in its components.
    std::vector<JSAMPLE> row(size_t{JPEG_MAX_DIMENSION} * 4);
    const bool decoded = JpegDecode(&cinfo, &errors, bytes, row.data());
    jpeg_destroy_decompress(&cinfo);
    if (!decoded) return std::string("JPEG does not decode: ") + errors.message;
    if (errors.warned) return std::string("JPEG is damaged: ") + errors.warning;
    return {};
}

std::string StrictPngDamage(const std::string& bytes) {
    if (bytes.size() < 8 ||
        png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0) {
        return "PNG does not decode: no PNG signature";
    }
    TPngSource source{&bytes, 0, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, PngFail, PngFail);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        if (png) png_destroy_read_struct(&png, nullptr, nullptr);
        return "PNG does not decode: out of memory";
    }
    png_set_read_fn(png, &source, PngRead);
    // A CRC error in any chunk, ancillary ones too, is damage.
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    std::vector<png_byte> row;
    const bool decoded = PngDecode(png, info, &row);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!decoded) return std::string("PNG is damaged: ") + source.message;
    if (source.pos != bytes.size()) return "PNG is damaged: bytes follow its end";
    return {};
}

std::string StrictWavDamage(const std::string& bytes) {
    TPcmData pcm;
    std::string error;
    if (!DecodeWav(bytes.data(), bytes.size(), pcm, error)) return "WAV does not decode: " + error;
    if (ReadU32(bytes, 4) != bytes.size() - 8) {
        return "WAV is damaged: its RIFF header gives " + std::to_string(ReadU32(bytes, 4) + 8) +
               " bytes, the file holds " + std::to_string(bytes.size());
    }
    size_t pos = 12;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 8) return "WAV is damaged: a chunk header is cut short";
        const size_t size = ReadU32(bytes, pos + 4);
        if (size > bytes.size() - pos - 8) return "WAV is damaged: a chunk runs past the end";
        pos += 8 + size + (size & 1);
    }
    if (pos != bytes.size()) return "WAV is damaged: its last chunk lacks its pad byte";
    return {};
}

std::string StrictOggDamage(const std::string& bytes) {
    TPcmData pcm;
    std::string error;
    if (!DecodeOggVorbis(bytes.data(), bytes.size(), pcm, error)) return "Ogg is damaged: " + error;
    return {};
}

std::string StrictModuleDamage(const std::string& bytes) {
    std::string warnings;
    auto log = [](const char* message, void* user) {
        auto* text = static_cast<std::string*>(user);
        if (message && text->empty()) *text = message;
    };
    int error = 0;
    const char* message = nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), log, &warnings, openmpt_error_func_store, nullptr, &error,
        &message, nullptr);
    if (!module) {
        std::string reason = message ? message : "unknown error";
        if (message) openmpt_free_string(message);
        return "module does not load: " + reason;
    }
    if (message) openmpt_free_string(message);
    // The loader's own list of what it found wrong and worked around.
    if (const char* found = openmpt_module_get_metadata(module, "warnings")) {
        if (warnings.empty() && found[0] != '\0') warnings = found;
        openmpt_free_string(found);
    }
    openmpt_module_set_repeat_count(module, 0);
    std::vector<int16_t> frames(2 * 4096);
    // Rendered to its end, at most an hour.
    for (size_t total = 0; total < size_t{48000} * 3600;) {
        const size_t got = openmpt_module_read_interleaved_stereo(module, 48000, 4096, frames.data());
        if (got == 0) break;
        total += got;
    }
    openmpt_module_destroy(module);
    if (!warnings.empty()) return "module is damaged: " + warnings;
    return {};
}

std::string StrictDamage(const std::string& fileName, const std::string& bytes) {
    if (EndsWith(fileName, ".jpg") || EndsWith(fileName, ".jpeg")) return StrictJpegDamage(bytes);
    if (EndsWith(fileName, ".png")) return StrictPngDamage(bytes);
    if (EndsWith(fileName, ".wav")) return StrictWavDamage(bytes);
    if (EndsWith(fileName, ".ogg")) return StrictOggDamage(bytes);
    for (const char* ending : {".mod", ".xm", ".s3m", ".it"}) {
        if (EndsWith(fileName, ending)) return StrictModuleDamage(bytes);
    }
    return {};
}
