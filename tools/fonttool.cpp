// fonttool: makes one of the game's bitmap fonts from a font file.
//
//   fonttool SPEC.xml FONTDIR OUT.png OUT.xml
//
// SPEC is a small XML document, for example
//   <font face="DejaVuSans.ttf" size="20" chars="32-126,160-255" color="FFFFFF"/>
// face: the font file, found in FONTDIR unless the path is absolute;
// size: the em size in pixels (4 to 256); chars: character codes and ranges
// separated by "," (default "32-126,160-255", printable Latin-1); color: the
// glyphs' colour as RRGGBB (default white, which the text widgets can tint).
//
// OUT.png is the atlas: every glyph in its own cell, the colour everywhere
// and the coverage as alpha, one transparent pixel between cells. OUT.xml is
// the glyph table as the font resource reads it: a "symbols" element of one
// "symbol" per character, named by its decimal code ("scancode"), with its
// cell in the atlas ("left", "top", "width", "height"). Every cell is as high
// as the font's line, with the baseline at the same height, so glyphs drawn
// at one top line up. A cell is the glyph's advance wide; ink that reaches
// past the advance widens the cell, and "wleft"/"wright" (negative) take the
// extra pixels back when text is laid out.
//
// Any bad spec, a character the face lacks, or a failed read or write gives
// a message on standard error and exit status 1 (2 for bad usage), and no
// output file is left half written.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/AsciiText.h"
#include "core/base/Exception.h"
#include "core/base/FileReplace.h"
#include "core/base/Units.h"
#include "core/storage/XMLStorage.h"

namespace fs = std::filesystem;

namespace {

class EFontToolError : public Exception {
public:
    using Exception::Exception;
};

struct TFontSpec {
    std::string face;
    int size = 0;
    std::vector<uint32_t> codes;
    uint32_t color = 0xFFFFFF;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFontToolError("cannot read \"" + path.string() + "\"");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw EFontToolError("cannot read \"" + path.string() + "\"");
    return text.str();
}

int64_t ParseNumber(std::string_view text, int base, const std::string& what) {
    text = Trim(text);
    if (text.empty()) throw EFontToolError(what + ": a number is missing");
    int64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            throw EFontToolError(what + ": \"" + std::string(text) + "\" is no number");
        }
        value = value * base + digit;
        if (value > 0xFFFFFF)
            throw EFontToolError(what + ": \"" + std::string(text) + "\" is too large");
    }
    return value;
}

// "32-126,160-255,8364": codes in the order given, each once.
std::vector<uint32_t> ParseCodes(const std::string& text) {
    std::vector<uint32_t> codes;
    std::stringstream list(text);
    std::string piece;
    while (std::getline(list, piece, ',')) {
        const size_t dash = piece.find('-');
        const std::string where = "chars \"" + std::string(Trim(piece)) + "\"";
        const int64_t first = ParseNumber(piece.substr(0, dash), 10, where);
        const int64_t last =
            dash == std::string::npos ? first : ParseNumber(piece.substr(dash + 1), 10, where);
        // The font resource finds glyphs by one UTF-16 code unit.
        if (first < 32 || last > 0xFFFF || last < first || (first <= 0xDFFF && last >= 0xD800)) {
            throw EFontToolError(where + ": codes run from 32 to 65535, surrogates excluded");
        }
        for (int64_t c = first; c <= last; ++c) {
            if (std::find(codes.begin(), codes.end(), c) == codes.end())
                codes.push_back(static_cast<uint32_t>(c));
        }
    }
    if (codes.empty()) throw EFontToolError("chars: no character given");
    return codes;
}

TFontSpec ReadSpec(const fs::path& path) {
    Ref<IHierStorage> root;
    try {
        root = LoadStorageFromXML(ReadFile(path));
    } catch (const EFontToolError&) {
        throw;
    } catch (const std::exception& e) {
        throw EFontToolError("\"" + path.string() + "\" is not well-formed: " + e.what());
    }
    if (root->GetNodeName() != "font") {
        throw EFontToolError("\"" + path.string() + "\": the root element must be \"font\"");
    }
    const std::string known[] = {"face", "size", "chars", "color"};
    for (int32_t i = 0; i < root->GetValueCount(); ++i) {
        const std::string name = root->GetValueName(i);
        if (std::find(std::begin(known), std::end(known), name) == std::end(known))
            throw EFontToolError("\"" + path.string() + "\": unknown attribute \"" + name + "\"");
    }
    TFontSpec spec;
    spec.face = root->GetValue("face", Variant("")).ToString();
    if (spec.face.empty()) throw EFontToolError("\"" + path.string() + "\": no \"face\" given");
    const int64_t size = ParseNumber(root->GetValue("size", Variant("")).ToString(), 10, "size");
    if (size < 4 || size > 256) throw EFontToolError("size: from 4 to 256 pixels");
    spec.size = static_cast<int>(size);
    spec.codes = ParseCodes(root->GetValue("chars", Variant("32-126,160-255")).ToString());
    const std::string color = root->GetValue("color", Variant("FFFFFF")).ToString();
    if (Trim(color).size() != 6) throw EFontToolError("color: six hexadecimal digits, RRGGBB");
    spec.color = static_cast<uint32_t>(ParseNumber(color, 16, "color"));
    return spec;
}

// ---------------------------------------------------------------------------
// Rendering

struct TGlyph {
    uint32_t code = 0;
    int advance = 0;
    int bitmapLeft = 0;  // from the pen position to the ink's left edge
    int bitmapTop = 0;   // from the baseline up to the ink's top edge
    int inkWidth = 0;
    int inkHeight = 0;
    std::vector<uint8_t> coverage;  // inkWidth * inkHeight
    // The cell in the atlas.
    int left = 0;
    int top = 0;
    int width = 0;
    int overhangLeft = 0;
    int overhangRight = 0;
};

struct TLibraryCloser {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct TFaceCloser {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

std::string FreeTypeError(FT_Error error) {
    const char* text = FT_Error_String(error);
    return text ? text : "FreeType error " + std::to_string(error);
}

// The rendered box follows the outline's control points and may hold rows
// and columns without ink; they would widen the cell for nothing.
void CropToInk(TGlyph& g) {
    int left = g.inkWidth, right = -1, top = g.inkHeight, bottom = -1;
    for (int y = 0; y < g.inkHeight; ++y) {
        for (int x = 0; x < g.inkWidth; ++x) {
            if (g.coverage[static_cast<size_t>(y) * g.inkWidth + x] == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) {
        g.inkWidth = g.inkHeight = 0;
        g.coverage.clear();
        return;
    }
    std::vector<uint8_t> cropped;
    for (int y = top; y <= bottom; ++y) {
        const auto row = g.coverage.begin() + static_cast<ptrdiff_t>(y) * g.inkWidth;
        cropped.insert(cropped.end(), row + left, row + right + 1);
    }
    g.coverage = std::move(cropped);
    g.bitmapLeft += left;
    g.bitmapTop -= top;
    g.inkWidth = right - left + 1;
    g.inkHeight = bottom - top + 1;
}

struct TRendered {
    std::vector<TGlyph> glyphs;
    int ascent = 0;
    int descent = 0;
};

TRendered RenderGlyphs(const TFontSpec& spec, const fs::path& facePath) {
    FT_Library rawLibrary = nullptr;
    if (FT_Error e = FT_Init_FreeType(&rawLibrary))
        throw EFontToolError("cannot start FreeType: " + FreeTypeError(e));
    std::unique_ptr<FT_LibraryRec_, TLibraryCloser> library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_Error e = FT_New_Face(library.get(), facePath.c_str(), 0, &rawFace))
        throw EFontToolError("cannot read \"" + facePath.string() + "\": " + FreeTypeError(e));
    std::unique_ptr<FT_FaceRec_, TFaceCloser> face(rawFace);
    if (FT_Error e = FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(spec.size)))
        throw EFontToolError("\"" + facePath.string() + "\" has no size " +
                             std::to_string(spec.size) + ": " + FreeTypeError(e));

    TRendered out;
    // The face's line; glyphs that reach further (accented capitals) widen it.
    out.ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    out.descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    for (uint32_t code : spec.codes) {
        const FT_UInt index = FT_Get_Char_Index(face.get(), code);
        if (index == 0) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", code);
            throw EFontToolError("\"" + facePath.string() + "\" has no glyph for " + name);
        }
        if (FT_Error e = FT_Load_Glyph(face.get(), index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL))
            throw EFontToolError("cannot render character " + std::to_string(code) + ": " +
                                 FreeTypeError(e));
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0)
            throw EFontToolError("character " + std::to_string(code) + " did not render in grey");
        TGlyph g;
        g.code = code;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g.bitmapLeft = slot->bitmap_left;
        g.bitmapTop = slot->bitmap_top;
        g.inkWidth = static_cast<int>(bitmap.width);
        g.inkHeight = static_cast<int>(bitmap.rows);
        g.coverage.resize(static_cast<size_t>(g.inkWidth) * g.inkHeight);
        for (int y = 0; y < g.inkHeight; ++y) {
            const uint8_t* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            std::copy(row, row + g.inkWidth,
                      g.coverage.begin() + static_cast<size_t>(y) * g.inkWidth);
        }
        CropToInk(g);
        if (g.inkWidth > 0 && g.inkHeight > 0) {
            out.ascent = std::max(out.ascent, g.bitmapTop);
            out.descent = std::max(out.descent, g.inkHeight - g.bitmapTop);
            // Ink past the pen position or the advance widens the cell.
            g.overhangLeft = std::max(0, -g.bitmapLeft);
            g.overhangRight = std::max(0, g.bitmapLeft + g.inkWidth - g.advance);
        }
        g.width = g.overhangLeft + g.advance + g.overhangRight;
        out.glyphs.push_back(std::move(g));
    }
    return out;
}

// Rows of cells, left to right, in the order of the codes; the width is the
// smallest power of two that makes the atlas about square.
int PlaceCells(std::vector<TGlyph>& glyphs, int cellHeight, int& atlasHeight) {
    int64_t area = 0;
    int widest = 1;
    for (const TGlyph& g : glyphs) {
        area += int64_t{g.width + 1} * (cellHeight + 1);
        widest = std::max(widest, g.width);
    }
    int width = 64;
    while (width < widest || int64_t{width} * width < area) width *= 2;
    int x = 0, y = 0;
    for (TGlyph& g : glyphs) {
        if (x + g.width > width) {
            x = 0;
            y += cellHeight + 1;
        }
        g.left = x;
        g.top = y;
        x += g.width + 1;
    }
    atlasHeight = y + cellHeight;
    return width;
}

// ---------------------------------------------------------------------------
// Output

void PngWrite(png_structp png, png_bytep data, size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), size);
}
void PngFlush(png_structp) {}
[[noreturn]] void PngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Only trivially destructible locals here: errors jump back to the setjmp.
bool PngWriteAll(png_structp png, png_infop info, int width, int height, png_bytepp rows,
                 std::string* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, PngWrite, PngFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::string EncodeAtlas(const TRendered& font, const TFontSpec& spec, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    // The colour under transparent pixels too, so that filtering at a glyph's
    // edge blends towards the glyph's colour and not towards black.
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = static_cast<uint8_t>(spec.color >> 16);
        pixels[i + 1] = static_cast<uint8_t>(spec.color >> 8);
        pixels[i + 2] = static_cast<uint8_t>(spec.color);
        pixels[i + 3] = 0;
    }
    for (const TGlyph& g : font.glyphs) {
        const int x0 = g.left + g.overhangLeft + g.bitmapLeft;
        const int y0 = g.top + font.ascent - g.bitmapTop;
        for (int y = 0; y < g.inkHeight; ++y) {
            for (int x = 0; x < g.inkWidth; ++x) {
                const size_t at = (static_cast<size_t>(y0 + y) * width + (x0 + x)) * 4 + 3;
                pixels[at] = g.coverage[static_cast<size_t>(y) * g.inkWidth + x];
            }
        }
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * width * 4;

    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = info && PngWriteAll(png, info, width, height, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw EFontToolError("cannot encode the atlas");
    return out;
}

std::string GlyphTable(const TRendered& font, const TFontSpec& spec) {
    const int cellHeight = font.ascent + font.descent;
    std::string xml = "<font>\n  <!-- " + fs::path(spec.face).filename().string() + " at " +
                      std::to_string(spec.size) + " px, made by fonttool -->\n  <symbols>\n";
    for (const TGlyph& g : font.glyphs) {
        xml += "    <symbol scancode=\"" + std::to_string(g.code) + "\" left=\"" +
               std::to_string(g.left) + "\" top=\"" + std::to_string(g.top) + "\" width=\"" +
               std::to_string(g.width) + "\" height=\"" + std::to_string(cellHeight) + "\"";
        if (g.overhangLeft != 0) xml += " wleft=\"" + std::to_string(-g.overhangLeft) + "\"";
        if (g.overhangRight != 0) xml += " wright=\"" + std::to_string(-g.overhangRight) + "\"";
        xml += "/>\n";
    }
    xml += "  </symbols>\n</font>\n";
    return xml;
}

int Run(const std::vector<std::string>& args) {
    const TFontSpec spec = ReadSpec(args[0]);
    fs::path facePath = spec.face;
    if (facePath.is_relative()) facePath = fs::path(args[1]) / facePath;
    TRendered font = RenderGlyphs(spec, facePath);
    int height = 0;
    const int width = PlaceCells(font.glyphs, font.ascent + font.descent, height);
    const std::string png = EncodeAtlas(font, spec, width, height);
    const std::string table = GlyphTable(font, spec);
    ReplaceFileContents(args[2], png);
    ReplaceFileContents(args[3], table);
    return 0;
}

}  // namespace

const TUnit kToolUnits[] = {kXMLStorageUnit};

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: fonttool SPEC.xml FONTDIR OUT.png OUT.xml\n");
        return 2;
    }
    try {
        TUnitRunner units({kToolUnits});
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fonttool: %s\n", e.what());
        return 1;
    }
}
