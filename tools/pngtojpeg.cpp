// pngtojpeg: turns an opaque PNG (as rsvg-convert writes them) into a JPEG.
//
//   pngtojpeg IN.png OUT.jpg [QUALITY]
//
// QUALITY runs from 1 to 100 (default 90). A JPEG keeps no transparency, so
// a picture with any pixel that is not fully opaque is refused rather than
// flattened onto a colour nobody chose. Bad input or a failed read or write
// gives a message on standard error and exit status 1 (2 for bad usage); the
// output is written beside its place and renamed, so no half file is left.
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadFile(const char* path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return !in.bad();
}

struct TJpegFail {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

[[noreturn]] void JpegExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegFail*>(info->err)->jump, 1);
}

// Only trivially destructible locals here: errors jump back to the setjmp.
bool Compress(jpeg_compress_struct* info, TJpegFail* fail, const png_image* image,
              const uint8_t* rgb, int quality, unsigned char** buffer, unsigned long* size) {
    if (setjmp(fail->jump)) return false;
    jpeg_mem_dest(info, buffer, size);
    info->image_width = image->width;
    info->image_height = image->height;
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    info->optimize_coding = TRUE;
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        JSAMPROW row =
            const_cast<uint8_t*>(rgb) + static_cast<size_t>(info->next_scanline) * image->width * 3;
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "pngtojpeg: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: pngtojpeg IN.png OUT.jpg [QUALITY]\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    int quality = 90;
    if (argc == 4) {
        char* end = nullptr;
        const long q = std::strtol(argv[3], &end, 10);
        if (*argv[3] == '\0' || *end != '\0' || q < 1 || q > 100) {
            std::fprintf(stderr, "pngtojpeg: the quality runs from 1 to 100\n");
            return 2;
        }
        quality = static_cast<int>(q);
    }

    std::string bytes;
    if (!ReadFile(in.c_str(), bytes)) return Fail("cannot read \"" + in + "\"");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return Fail("\"" + in + "\" is no PNG: " + image.message);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return Fail("\"" + in + "\" cannot be decoded: " + image.message);
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t i = 0, j = 0; i < rgba.size(); i += 4, j += 3) {
        if (rgba[i + 3] != 255) {
            const size_t pixel = i / 4;
            return Fail("\"" + in + "\" is not opaque at " + std::to_string(pixel % image.width) +
                        "," + std::to_string(pixel / image.width));
        }
        std::memcpy(&rgb[j], &rgba[i], 3);
    }

    jpeg_compress_struct info;
    TJpegFail fail;
    info.err = jpeg_std_error(&fail.manager);
    fail.manager.error_exit = JpegExit;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = Compress(&info, &fail, &image, rgb.data(), quality, &buffer, &size);
    jpeg_destroy_compress(&info);
    std::string jpeg;
    if (ok) jpeg.assign(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    if (!ok) return Fail("cannot encode \"" + out + "\"");

    const std::string temp = out + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
        file.close();
        if (!file) {
            std::remove(temp.c_str());
            return Fail("cannot write \"" + out + "\"");
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, out, error);
    if (error) {
        std::remove(temp.c_str());
        return Fail("cannot write \"" + out + "\": " + error.message());
    }
    return 0;
}
