#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "core/packs/ResourceReader.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

using fixtures::TPngSpec;
using fixtures::TTestOwner;

struct TSample {
    int x, y;
    uint32_t argb;
    int tolerance;  // per channel; JPEG is lossy
};

struct TImageCase {
    const char* name;
    const char* file;  // written under the folder (jpng cases also write the .jpg)
    const char* format;
    std::function<void(TTempDir&, const std::string& file)> make;
    int width, height;
    bool transparent;
    std::vector<TSample> samples;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

TPngSpec Spec(int width, int height, int colorType, int bitDepth,
              std::vector<std::vector<uint8_t>> rows) {
    TPngSpec spec;
    spec.width = width;
    spec.height = height;
    spec.colorType = colorType;
    spec.bitDepth = bitDepth;
    spec.rows = std::move(rows);
    return spec;
}

auto Png(TPngSpec spec) {
    return [spec](TTempDir& dir, const std::string& file) {
        dir.Write(file, fixtures::EncodePng(spec));
    };
}

// Four flat 8 x 8 quadrants: red, green / blue, grey.
uint32_t Quadrants(int x, int y) {
    if (y < 8) return x < 8 ? 0xFF0000u : 0x00FF00u;
    return x < 8 ? 0x0000FFu : 0x808080u;
}

// A jpng pair: the mask's red channel is maskRed (green and blue differ, so a
// decoder reading the wrong channel shows), the colour is flat.
auto Jpng(int maskWidth, int maskHeight, int maskRed, int width, int height, uint32_t rgb) {
    return [=](TTempDir& dir, const std::string& file) {
        dir.Write(file, fixtures::EncodeRgbaPng(maskWidth, maskHeight, [&](int, int) {
                      return 0xFF000000u | uint32_t(maskRed) << 16 | 0x0033FFu;
                  }));
        const std::string jpg = file.substr(0, file.size() - 4) + ".jpg";
        dir.Write(jpg, fixtures::EncodeRgbJpeg(
                           width, height, [&](int, int) { return rgb; }, 100));
    };
}

std::vector<TImageCase> ImageCases() {
    TPngSpec palette =
        Spec(3, 2, PNG_COLOR_TYPE_PALETTE, 4, {Bytes({0x01, 0x20}), Bytes({0x30, 0x10})});
    palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    palette.paletteAlpha = {255, 128, 0};  // the fourth entry stays opaque

    TPngSpec greyKey = Spec(3, 1, PNG_COLOR_TYPE_GRAY, 4, {Bytes({0x5F, 0x00})});
    greyKey.hasTransparentColor = true;
    greyKey.transparentColor.gray = 5;

    TPngSpec rgbKey = Spec(2, 1, PNG_COLOR_TYPE_RGB, 8, {Bytes({10, 20, 30, 40, 50, 60})});
    rgbKey.hasTransparentColor = true;
    rgbKey.transparentColor.red = 10;
    rgbKey.transparentColor.green = 20;
    rgbKey.transparentColor.blue = 30;

    TPngSpec interlaced;
    interlaced.width = 9;
    interlaced.height = 9;
    interlaced.interlaced = true;
    for (int y = 0; y < 9; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < 9; ++x)
            row.insert(row.end(),
                       {uint8_t(x * 20), uint8_t(y * 20), uint8_t(x + y), uint8_t(x * 28)});
        interlaced.rows.push_back(row);
    }

    return {
        {"RgbaWithAlpha",
         "rgba.png",
         "png",
         [](TTempDir& dir, const std::string& file) {
             dir.Write(file, fixtures::EncodeRgbaPng(3, 2, [](int x, int y) {
                           return uint32_t(x * 100) << 24 | uint32_t(y * 200) << 16 |
                                  uint32_t(x + 7) << 8 | 0x42u;
                       }));
         },
         3,
         2,
         true,
         {{0, 0, 0x00000742, 0}, {2, 1, 0xC8C80942, 0}, {1, 1, 0x64C80842, 0}}},
        {"OpaqueRgb",
         "opaque.png",
         "png",
         Png(Spec(2, 1, PNG_COLOR_TYPE_RGB, 8, {Bytes({1, 2, 3, 250, 251, 252})})),
         2,
         1,
         true,
         {{0, 0, 0xFF010203, 0}, {1, 0, 0xFFFAFBFC, 0}}},
        {"PaletteWithTrns",
         "palette.png",
         "png",
         Png(palette),
         3,
         2,
         true,
         {{0, 0, 0xFFFF0000, 0},
          {1, 0, 0x8000FF00, 0},
          {2, 0, 0x000000FF, 0},
          {0, 1, 0xFFFFFFFF, 0},
          {1, 1, 0xFFFF0000, 0},
          {2, 1, 0x8000FF00, 0}}},
        {"Grey",
         "grey.png",
         "png",
         Png(Spec(2, 1, PNG_COLOR_TYPE_GRAY, 8, {Bytes({0x40, 0xC0})})),
         2,
         1,
         true,
         {{0, 0, 0xFF404040, 0}, {1, 0, 0xFFC0C0C0, 0}}},
        {"GreyAlpha",
         "greyalpha.png",
         "png",
         Png(Spec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {Bytes({0x80, 0x20, 0xFF, 0xFF})})),
         2,
         1,
         true,
         {{0, 0, 0x20808080, 0}, {1, 0, 0xFFFFFFFF, 0}}},
        {"GreyLowDepthWithKey",
         "greykey.png",
         "png",
         Png(greyKey),
         3,
         1,
         true,
         {{0, 0, 0x00555555, 0}, {1, 0, 0xFFFFFFFF, 0}, {2, 0, 0xFF000000, 0}}},
        {"RgbWithColourKey",
         "rgbkey.png",
         "png",
         Png(rgbKey),
         2,
         1,
         true,
         {{0, 0, 0x000A141E, 0}, {1, 0, 0xFF28323C, 0}}},
        {"Rgba16Bit",
         "rgba16.png",
         "png",
         Png(Spec(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16,
                  {Bytes({0x12, 0xAB, 0x34, 0xCD, 0x56, 0xEF, 0xFF, 0x00,  //
                          0x00, 0x00, 0xFF, 0xFF, 0x80, 0x01, 0x7F, 0x80})})),
         2,
         1,
         true,
         {{0, 0, 0xFF123456, 0}, {1, 0, 0x7F00FF80, 0}}},
        {"Grey16Bit",
         "grey16.png",
         "png",
         Png(Spec(1, 1, PNG_COLOR_TYPE_GRAY, 16, {Bytes({0xAB, 0xCD})})),
         1,
         1,
         true,
         {{0, 0, 0xFFABABAB, 0}}},
        {"Interlaced",
         "interlaced.png",
         "png",
         Png(interlaced),
         9,
         9,
         true,
         {{0, 0, 0x00000000, 0}, {8, 8, 0xE0A0A010, 0}, {3, 5, 0x543C6408, 0}}},
        {"JpegColour",
         "photo.jpg",
         "jpeg",
         [](TTempDir& dir, const std::string& file) {
             dir.Write(file, fixtures::EncodeRgbJpeg(16, 16, Quadrants, 100));
         },
         16,
         16,
         false,
         {{3, 3, 0xFFFF0000, 8},
          {12, 3, 0xFF00FF00, 8},
          {3, 12, 0xFF0000FF, 8},
          {12, 12, 0xFF808080, 8}}},
        {"JpegGreyOddSize",
         "grey.jpg",
         "jpeg",
         [](TTempDir& dir, const std::string& file) {
             dir.Write(file, fixtures::EncodeJpeg(5, 3, 1, std::vector<uint8_t>(15, 0x60), 100));
         },
         5,
         3,
         false,
         {{0, 0, 0xFF606060, 2}, {4, 2, 0xFF606060, 2}}},
        {"JpngPair",
         "pair.png",
         "jpng",
         Jpng(4, 4, 128, 4, 4, 0x204060),
         4,
         4,
         true,
         {{0, 0, 0x80204060, 3}, {3, 3, 0x80204060, 3}}},
        // A smaller mask: its pixels where it has them, opaque elsewhere.
        {"JpngSmallerMask",
         "small.png",
         "jpng",
         Jpng(2, 2, 64, 4, 3, 0xA0B0C0),
         4,
         3,
         true,
         {{1, 1, 0x40A0B0C0, 3},
          {2, 0, 0xFFA0B0C0, 3},
          {0, 2, 0xFFA0B0C0, 3},
          {3, 2, 0xFFA0B0C0, 3}}},
        // A larger mask: the colour picture gives the size.
        {"JpngLargerMask",
         "large.png",
         "jpng",
         Jpng(6, 5, 200, 3, 2, 0x102030),
         3,
         2,
         true,
         {{0, 0, 0xC8102030, 3}, {2, 1, 0xC8102030, 3}}},
        // A name shorter than four characters pairs with ".jpg".
        {"JpngShortName",
         "m",
         "jpng",
         [](TTempDir& dir, const std::string& file) {
             dir.Write(file, fixtures::EncodeRgbaPng(1, 1, [](int, int) { return 0xFF7F0000u; }));
             dir.Write(".jpg", fixtures::EncodeRgbJpeg(1, 1, [](int, int) { return 0xFFFFFFu; }));
         },
         1,
         1,
         true,
         {{0, 0, 0x7FFFFFFF, 3}}},
    };
}

::testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
        if (std::abs(a - e) > tolerance) {
            return ::testing::AssertionFailure()
                   << std::hex << "pixel 0x" << actual << ", expected 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FindRegisteredClass("ImageResource")) RegisterResourceClasses();
    }

    // An attached image resource of a folder or pack root.
    Ref<TImageResource> Open(const std::string& root, const std::string& file,
                             const std::string& format) {
        owner = MakeRef<TTestOwner>(root);
        Ref<TImageResource> image = CreateObject<TImageResource>();
        image->SetFileName(file);
        image->SetFormat(
            static_cast<TImageFormat>(ReadEnum(LoadStorageFromXML("<r format=\"" + format + "\"/>"),
                                               "format", kImageFormatNames, kImageFormatUnknown)));
        image->SetOwner(owner);
        return image;
    }

    void Check(const TImageCase& c, const Ref<TImageResource>& image) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(image->GetWidth(), c.width);
        EXPECT_EQ(image->GetHeight(), c.height);
        Ref<ISurface> surface = image->GetSurface();
        ASSERT_TRUE(surface);
        EXPECT_EQ(surface->GetWidth(), c.width);
        EXPECT_EQ(surface->GetHeight(), c.height);
        EXPECT_EQ(surface->GetTransparent(), c.transparent);
        for (const TSample& s : c.samples) {
            uint32_t pixel = 0x12345678;
            surface->GetPixel(s.x, s.y, pixel);
            EXPECT_TRUE(PixelNear(pixel, s.argb, s.tolerance)) << "at " << s.x << "," << s.y;
        }
        if (!c.transparent) {
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    ASSERT_EQ(surface->GetScanLine(y)[x] >> 24, 0xFFu) << x << "," << y;
        }
    }

    TTempDir dir{"images"};
    Ref<TTestOwner> owner;
    TLogCapture log;
};

TEST_F(ImagesTest, DecodesEveryKindFromAFolder) {
    for (const TImageCase& c : ImageCases()) {
        c.make(dir, c.file);
        Check(c, Open(dir.Path().string(), c.file, c.format));
    }
}

TEST_F(ImagesTest, DecodesEveryKindFromAPack) {
    // Make the files in a scratch folder, then put them into data.sgd as
    // "images/...": the resource paths name data/images/..., no folder exists.
    TTempDir scratch{"images-scratch"};
    std::map<std::string, std::string> entries;
    const std::vector<TImageCase> cases = ImageCases();
    for (const TImageCase& c : cases) c.make(scratch, c.file);
    for (const auto& file : std::filesystem::directory_iterator(scratch.Path()))
        entries["IMAGES/" + file.path().filename().string()] = ReadFileBytes(file.path().string());
    fixtures::WritePack(dir.File("data.sgd"), entries);

    const std::string previous = GetPackExtension();
    SetPackExtension(".sgd");
    for (const TImageCase& c : cases) {
        if (std::string(c.name) == "JpngShortName") continue;  // pairs with a file outside
        Ref<TImageResource> image =
            Open(dir.File("data"), std::string("images/") + c.file, c.format);
        Check(c, image);
    }
    SetPackExtension(previous);
}

TEST_F(ImagesTest, SmallerJpngMaskIsLogged) {
    for (const TImageCase& c : ImageCases()) {
        if (std::string(c.name) != "JpngSmallerMask") continue;
        c.make(dir, c.file);
        Open(dir.Path().string(), c.file, c.format);
    }
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Has({"IMAGE: ", "small.png"})) << log.Lines()[0];
}

TEST_F(ImagesTest, UnknownFormatDecodesNothing) {
    dir.Write("a.png", fixtures::EncodeRgbaPng(2, 2, [](int, int) { return 0xFFFFFFFFu; }));
    Ref<TImageResource> image = Open(dir.Path().string(), "a.png", "unknown");
    EXPECT_EQ(image->GetWidth(), 0);
    EXPECT_EQ(image->GetHeight(), 0);
    EXPECT_FALSE(image->GetSurface());
    EXPECT_EQ(owner->opens, 0);
}

TEST_F(ImagesTest, IsAvailableAsksTheOwner) {
    dir.Write("a.png", fixtures::EncodeRgbaPng(1, 1, [](int, int) { return 0u; }));
    EXPECT_TRUE(Open(dir.Path().string(), "a.png", "png")->IsAvailable());
    EXPECT_FALSE(Open(dir.Path().string(), "missing.png", "png")->IsAvailable());
    EXPECT_FALSE(CreateObject<TImageResource>()->IsAvailable());  // no owner
}

TEST_F(ImagesTest, MissingFilesGiveNoSurfaceAndNoRetryUntilReloaded) {
    Ref<TImageResource> image = Open(dir.Path().string(), "late.png", "png");
    EXPECT_FALSE(image->GetSurface());
    EXPECT_EQ(image->GetWidth(), 0);
    EXPECT_EQ(owner->opens, 1);
    // The file appears; the decoded flag stays set, so no second try...
    dir.Write("late.png", fixtures::EncodeRgbaPng(5, 1, [](int, int) { return 0u; }));
    EXPECT_FALSE(image->GetSurface());
    EXPECT_EQ(owner->opens, 1);
    // ...until the resource is unloaded and loaded again.
    image->Unload();
    image->Load();
    EXPECT_TRUE(image->GetSurface());
    EXPECT_EQ(image->GetWidth(), 5);
}

// A file the resource list names but the data lacks leaves the picture (or
// font) blank; one log line says which file is missing and which resource
// asked for it.
TEST_F(ImagesTest, AMissingFileIsLoggedWithTheResourceThatAskedForIt) {
    dir.Write("mask.png", fixtures::EncodeRgbaPng(2, 2, [](int, int) { return ~0u; }));
    struct TCase {
        const char* resource;
        bool font;
        const char* file;
        const char* format;
        const char* missing;
    };
    const TCase cases[] = {
        {"menu_background", false, "images/gone.jpg", "jpeg", "images/gone.jpg"},
        {"button_normal", false, "gone.png", "png", "gone.png"},
        {"font_title", true, "fonts/title.png", "png", "fonts/title.png"},
        {"scene_layer", false, "mask.png", "jpng", "mask.jpg"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.resource);
        log.Clear();
        owner = MakeRef<TTestOwner>(dir.Path().string());
        Ref<TImageResource> image = c.font ? Ref<TImageResource>(CreateObject<TFontResource>())
                                           : CreateObject<TImageResource>();
        image->SetName(c.resource);
        image->SetFileName(c.file);
        image->SetFormat(static_cast<TImageFormat>(
            ReadEnum(LoadStorageFromXML(std::string("<r format=\"") + c.format + "\"/>"), "format",
                     kImageFormatNames, kImageFormatUnknown)));
        image->SetOwner(owner);
        EXPECT_FALSE(image->GetSurface());
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(log.Has({"IMAGE: ", std::string("\"") + c.missing + "\"",
                             std::string("\"") + c.resource + "\"", "missing"}))
            << log.Lines()[0];
    }
}

TEST_F(ImagesTest, TheDecodeCountGrowsOncePerDecoderRun) {
    dir.Write("c.png", fixtures::EncodeRgbaPng(2, 2, [](int, int) { return ~0u; }));
    dir.Write("c.jpg", fixtures::EncodeRgbJpeg(2, 2, [](int, int) { return 0u; }));
    dir.Write("bad.png", "not a picture");
    struct TCase {
        const char* file;
        const char* format;
        uint64_t decodes;
    };
    const TCase cases[] = {
        {"c.png", "png", 1}, {"c.jpg", "jpeg", 1}, {"c.png", "jpng", 2},
        {"bad.png", "png", 1},  // a failed decode is a decode all the same
        {"none.png", "png", 0}, {"c.png", "unknown", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.format);
        const uint64_t before = ImageDecodeCount();
        const Ref<TImageResource> image = Open(dir.Path().string(), c.file, c.format);
        image->GetSurface();
        image->GetWidth();
        EXPECT_EQ(ImageDecodeCount() - before, c.decodes);
        // Loaded again after an unload, the picture is decoded again.
        image->Unload();
        image->Load();
        EXPECT_EQ(ImageDecodeCount() - before, 2 * c.decodes);
    }
}

TEST_F(ImagesTest, SizeStaysWhenTheSurfaceIsFreedAndTheFileVanishes) {
    const std::string file =
        dir.Write("a.png", fixtures::EncodeRgbaPng(3, 2, [](int, int) { return 0u; }));
    Ref<TImageResource> image = Open(dir.Path().string(), "a.png", "png");
    ASSERT_EQ(image->GetWidth(), 3);
    std::filesystem::remove(file);
    image->Unload();
    image->Load();
    EXPECT_FALSE(image->GetSurface());
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 2);
}

TEST_F(ImagesTest, JpngWithEitherFileMissingGivesNoSurface) {
    dir.Write("onlymask.png", fixtures::EncodeRgbaPng(2, 2, [](int, int) { return ~0u; }));
    dir.Write("onlycolour.jpg", fixtures::EncodeRgbJpeg(2, 2, [](int, int) { return 0u; }));
    EXPECT_FALSE(Open(dir.Path().string(), "onlymask.png", "jpng")->GetSurface());
    EXPECT_FALSE(Open(dir.Path().string(), "onlycolour.png", "jpng")->GetSurface());
}

// ---------------------------------------------------------------------------
// Bad input: no surface, one log line naming the file, no crash.

std::string WithIhdrSize(std::string png, uint32_t width, uint32_t height) {
    // IHDR data begins at 16; its CRC (over type and data) follows at 29.
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = char(width >> (24 - 8 * i));
        png[20 + i] = char(height >> (24 - 8 * i));
    }
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
    for (int i = 0; i < 4; ++i) png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

TEST_F(ImagesTest, BadFilesGiveNoSurfaceAndALogLine) {
    const std::string png = fixtures::EncodeRgbaPng(
        32, 32, [](int x, int y) { return uint32_t(x * 7919 + y * 104729) | 0xFF000000u; });
    const std::string jpeg = fixtures::EncodeRgbJpeg(32, 32, Quadrants, 90);
    std::string badCrc = png;
    badCrc[png.size() / 2] ^= 0x55;
    std::string badJpegBody = jpeg;
    for (size_t i = jpeg.size() / 2; i < jpeg.size() / 2 + 40; ++i) badJpegBody[i] = char(0xFF);

    struct TBad {
        const char* file;
        const char* format;
        std::string bytes;
    };
    const std::vector<TBad> cases = {
        {"empty.png", "png", ""},
        {"text.png", "png", "this is not a picture"},
        {"signature.png", "png", png.substr(0, 8)},
        {"truncated.png", "png", png.substr(0, png.size() / 2)},
        {"nocrc.png", "png", png.substr(0, png.size() - 14)},
        {"badcrc.png", "png", badCrc},
        {"huge.png", "png", WithIhdrSize(png, 100000, 100000)},
        {"zerowidth.png", "png", WithIhdrSize(png, 0, 32)},
        {"jpeg-as.png", "png", jpeg},
        {"empty.jpg", "jpeg", ""},
        {"text.jpg", "jpeg", "\xFF\xD8 not really"},
        {"header.jpg", "jpeg", jpeg.substr(0, 20)},
        {"truncated.jpg", "jpeg", jpeg.substr(0, jpeg.size() * 2 / 3)},
        {"garbled.jpg", "jpeg", badJpegBody},
        {"png-as.jpg", "jpeg", png},
        {"badmask.png", "jpng", png.substr(0, 40)},
    };
    dir.Write("badmask.jpg", jpeg);
    for (const TBad& bad : cases) {
        SCOPED_TRACE(bad.file);
        log.Clear();
        dir.Write(bad.file, bad.bytes);
        Ref<TImageResource> image = Open(dir.Path().string(), bad.file, bad.format);
        EXPECT_FALSE(image->GetSurface());
        EXPECT_EQ(image->GetWidth(), 0);
        EXPECT_EQ(image->GetHeight(), 0);
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(log.Has({"IMAGE: ", bad.file})) << log.Lines()[0];
    }
}

TEST_F(ImagesTest, BadJpngColourFileGivesNoSurface) {
    dir.Write("pair.png", fixtures::EncodeRgbaPng(2, 2, [](int, int) { return ~0u; }));
    dir.Write("pair.jpg", "\xFF\xD8\xFF\xE0 broken");
    EXPECT_FALSE(Open(dir.Path().string(), "pair.png", "jpng")->GetSurface());
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Has({"IMAGE: ", "pair.jpg"})) << log.Lines()[0];
}

}  // namespace
