// Small pictures made at test time: PNG files of every colour type through
// libpng, JPEG files through libjpeg, ZIP packs through minizip, and a
// resource owner that opens files under a folder the way the engine does.
#pragma once

#include <minizip/zip.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/Streams.h"
#include "core/packs/ResourceReader.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "engine/resources/EngineResources.h"

#include <jpeglib.h>
#include <png.h>

namespace fixtures {

// ---------------------------------------------------------------------------
// PNG

struct TPngSpec {
    int width = 1;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;     // palette pictures
    std::vector<uint8_t> paletteAlpha;  // tRNS of a palette picture
    bool hasTransparentColor = false;   // tRNS of a grey or RGB picture
    png_color_16 transparentColor{};
    std::vector<std::vector<uint8_t>> rows;  // packed as the PNG stores them
};

namespace detail {

inline void PngWrite(png_structp png, png_bytep data, size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), size);
}
inline void PngFlush(png_structp) {}
inline void PngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Only trivially destructible locals here: errors jump back to the setjmp.
inline bool PngWriteAll(png_structp png, png_infop info, const TPngSpec* spec, png_bytepp rows,
                        std::string* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, PngWrite, PngFlush);
    png_set_IHDR(png, info, spec->width, spec->height, spec->bitDepth, spec->colorType,
                 spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec->palette.empty())
        png_set_PLTE(png, info, spec->palette.data(), static_cast<int>(spec->palette.size()));
    if (!spec->paletteAlpha.empty())
        png_set_tRNS(png, info, spec->paletteAlpha.data(),
                     static_cast<int>(spec->paletteAlpha.size()), nullptr);
    if (spec->hasTransparentColor) png_set_tRNS(png, info, nullptr, 0, &spec->transparentColor);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

}  // namespace detail

inline std::string EncodePng(const TPngSpec& spec) {
    std::string out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, detail::PngFail, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows;
    for (const auto& row : spec.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    const bool ok = info && detail::PngWriteAll(png, info, &spec, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("cannot encode PNG");
    return out;
}

// An 8-bit RGBA picture from a function of (x, y) giving 0xAARRGGBB.
inline std::string EncodeRgbaPng(int width, int height,
                                 const std::function<uint32_t(int, int)>& pixel) {
    TPngSpec spec;
    spec.width = width;
    spec.height = height;
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixel(x, y);
            row.insert(row.end(),
                       {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
        }
        spec.rows.push_back(std::move(row));
    }
    return EncodePng(spec);
}

// ---------------------------------------------------------------------------
// JPEG

namespace detail {

struct TJpegFail {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

inline void JpegExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<TJpegFail*>(cinfo->err)->jump, 1);
}

inline bool JpegWriteAll(jpeg_compress_struct* cinfo, TJpegFail* fail, int width, int height,
                         int components, int quality, const uint8_t* samples,
                         unsigned char** buffer, unsigned long* size) {
    if (setjmp(fail->jump)) return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, buffer, size);
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = components;
    cinfo->in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + size_t{cinfo->next_scanline} *
                                                          static_cast<size_t>(width * components));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace detail

// samples: rows of width * components bytes (grey, or R G B).
inline std::string EncodeJpeg(int width, int height, int components,
                              const std::vector<uint8_t>& samples, int quality = 95) {
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    detail::TJpegFail fail;
    cinfo.err = jpeg_std_error(&fail.mgr);
    fail.mgr.error_exit = detail::JpegExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = detail::JpegWriteAll(&cinfo, &fail, width, height, components, quality,
                                         samples.data(), &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    std::string out = ok ? std::string(reinterpret_cast<char*>(buffer), size) : std::string();
    std::free(buffer);
    if (!ok) throw std::runtime_error("cannot encode JPEG");
    return out;
}

// An RGB picture from a function of (x, y) giving 0xRRGGBB.
inline std::string EncodeRgbJpeg(int width, int height,
                                 const std::function<uint32_t(int, int)>& pixel, int quality = 95) {
    std::vector<uint8_t> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixel(x, y);
            samples.insert(samples.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        }
    }
    return EncodeJpeg(width, height, 3, samples, quality);
}

// ---------------------------------------------------------------------------
// Packs

// A ZIP archive at path holding the entries (name to bytes), deflated.
inline void WritePack(const std::string& path, const std::map<std::string, std::string>& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr) throw std::runtime_error("cannot create " + path);
    for (const auto& [name, bytes] : entries) {
        zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, 6, 0);
        zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

// ---------------------------------------------------------------------------
// A resource owner for tests: files are opened through OpenResource under a
// root folder, resources are found in a collection the test fills; the audio
// calls hand out counted handles.

class TTestOwner : public TAbstractObject, public virtual IResourceOwner {
public:
    explicit TTestOwner(std::string root = {}) : root_(std::move(root)) {}

    std::unique_ptr<TStream> OpenStream(const std::string& fileName) override {
        ++opens;
        opened.push_back(fileName);
        return OpenResource(root_.empty() ? fileName : root_ + "/" + fileName, true);
    }
    TPixelFormat GetPixelFormat() override { return {}; }
    uint32_t ColorToPixel(uint32_t) override { return 0; }
    TMusicHandle LoadMusic(const std::string&) override { return ++lastHandle; }
    void FreeMusic(TMusicHandle) override {}
    TSampleHandle LoadSample(const std::string&, uint16_t, bool) override { return ++lastHandle; }
    TChannelHandle LoadLoopedSampleChannel(const std::string&, TSampleHandle& sample) override {
        sample = ++lastHandle;
        return ++lastHandle;
    }
    void FreeSample(TSampleHandle) override {}
    Ref<IResource> GetResource(const std::string& name) override {
        return resources ? resources->Find(Variant(name)) : nullptr;
    }

    Ref<IResourceCollection> resources;
    int opens = 0;
    std::vector<std::string> opened;
    uint32_t lastHandle = 0;

private:
    std::string root_;
};

// One resource list entry as the engine's loader treats it: created by its
// "type" and "name", loaded from its element, given the group and the owner,
// then added to the collection.
inline Ref<IResourceSlave> AttachEntry(const Ref<IResourceOwner>& owner,
                                       const Ref<IResourceCollection>& collection,
                                       const std::string& element, const std::string& group) {
    Ref<IHierStorage> node = LoadStorageFromXML(element);
    Ref<IResourceSlave> resource =
        CreateResourceByType(ReadString(node, "type", ""), ReadString(node, "name", ""));
    if (!resource) return nullptr;
    LoadPersistObject(resource, node);
    resource->SetGroupName(group);
    resource->SetOwner(owner);
    collection->Add(resource);
    return resource;
}

}  // namespace fixtures
