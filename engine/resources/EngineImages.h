// Image resources and bitmap fonts.
//
// An image resource holds one picture as a 32-bit surface, decoded from a PNG,
// a JPEG or the "jpng" pair (a PNG whose red channel is the opacity and the
// JPEG of the same name that gives the colour). Decoding happens once per
// load: when the resource gets its owner or, with "loadbydemand", on the first
// request for its size or surface; Unload frees the surface and the next
// request decodes again.
//
// A font is an image holding every glyph plus a table of glyph rectangles keyed
// by the decimal character code; a substitute font asks a list of fonts in
// turn, so that glyphs missing from one come from the next.
//
// Failures: a missing file, or a corrupt, truncated or mislabelled one,
// leaves the resource without a surface (width and height keep their last
// decoded values, 0 when never decoded); every case but the missing file
// writes one line to the core log (module "IMAGE"; a substitute font naming
// no font, module "FONT"). Nothing raises out of decoding and nothing exits.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Rect.h"
#include "core/base/Variant.h"
#include "engine/resources/EngineResources.h"
#include "engine/surface/EngineSurface.h"

// ---------------------------------------------------------------------------
// Interfaces

class IImageResource : public virtual IResource {
public:
    // Size and surface decode first when the data is not loaded.
    virtual int32_t GetWidth() = 0;
    virtual int32_t GetHeight() = 0;
    // Null when the picture could not be decoded.
    virtual Ref<ISurface> GetSurface() = 0;
};

class ISymbol : public virtual INamedObject {
public:
    virtual int32_t GetScanCode() = 0;
    virtual void SetScanCode(int32_t scanCode) = 0;
    // Where the glyph lies in the font image (right and bottom outside).
    virtual TRect GetRect() = 0;
    virtual void SetRect(const TRect& rect) = 0;
    virtual int32_t GetWidth() = 0;
    virtual int32_t GetHeight() = 0;
    virtual int32_t GetWLeft() = 0;
    virtual int32_t GetWRight() = 0;
    virtual void SetWLeft(int32_t value) = 0;
    virtual void SetWRight(int32_t value) = 0;
};

class ISymbolCollection : public virtual ICollection {
public:
    // By index or by name; null when absent.
    virtual Ref<ISymbol> Find(const Variant& key) = 0;
    // Appends under the symbol's name; a name already present is refused.
    virtual void Add(const Ref<ISymbol>& symbol) = 0;
};

class IFontResource : public virtual IImageResource {
public:
    // The tallest glyph's height; never decodes the image.
    virtual int32_t GetFontHeight() = 0;
    // The glyph of the text's first UTF-16 code unit; null for an empty text
    // or a character the font lacks.
    virtual Ref<ISymbol> GetSymbol(const WideString& text) = 0;
    // The same for one code unit, without building a text.
    virtual Ref<ISymbol> GetSymbolByCode(char16_t code) = 0;
};

// ---------------------------------------------------------------------------
// Images

enum TImageFormat : uint8_t {
    kImageFormatPng = 0,
    kImageFormatJpeg = 1,
    kImageFormatJpng = 2,
    kImageFormatUnknown = 3,
};
inline constexpr std::string_view kImageFormatNames = "/png/jpeg/jpng/unknown";

class TImageResource : public TResource, public virtual IImageResource {
public:
    // IImageResource
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    Ref<ISurface> GetSurface() override;

    using TResource::Load;
    // Clears the needs-load flag, then decodes (once per load).
    void Load() override;
    // Sets the needs-load flag and frees the surface; the size stays.
    void Unload() override;
    // Whether the owner can open the file.
    bool IsAvailable() override;

    // The keys of a resource, then "format" (default "unknown", written only
    // when it is not).
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    TImageFormat GetFormat() const { return format_; }
    void SetFormat(TImageFormat format) { format_ = format; }
    bool IsDecoded() const { return decoded_; }

protected:
    // Decodes by the format unless this load has already tried.
    void LoadImage();
    void FreeImage();

private:
    void LoadPNG();
    void LoadJPEG();
    void LoadJPNG();

    Ref<ISurface> surface_;
    bool decoded_ = false;
    TImageFormat format_ = kImageFormatUnknown;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// ---------------------------------------------------------------------------
// Fonts

class TSymbol : public TPersistObject, public virtual ISymbol {
public:
    void Create() override;

    int32_t GetScanCode() override { return scanCode_; }
    void SetScanCode(int32_t scanCode) override { scanCode_ = scanCode; }
    TRect GetRect() override { return rect_; }
    void SetRect(const TRect& rect) override { rect_ = rect; }
    int32_t GetWidth() override { return rect_.right - rect_.left; }
    int32_t GetHeight() override { return rect_.bottom - rect_.top; }
    int32_t GetWLeft() override { return wLeft_; }
    int32_t GetWRight() override { return wRight_; }
    void SetWLeft(int32_t value) override { wLeft_ = value; }
    void SetWRight(int32_t value) override { wRight_ = value; }

    // "scancode" names the glyph; a text that is no integer leaves the
    // rectangle and both w values 0.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

private:
    TRect rect_{};
    int32_t scanCode_ = 0;
    int32_t wLeft_ = 0;
    int32_t wRight_ = 0;
};

// Element "symbols", one "symbol" per glyph.
class TSymbolCollection : public TTypedCollection<ISymbol, ISymbolCollection> {
public:
    void Create() override;
};

class TFontResource : public TImageResource, public virtual IFontResource {
public:
    void Create() override;

    int32_t GetFontHeight() override { return fontHeight_; }
    Ref<ISymbol> GetSymbol(const WideString& text) override;
    Ref<ISymbol> GetSymbolByCode(char16_t code) override;

    // The image keys, then the glyph table from the child "symbols", then
    // the height. The table stays through Unload.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // Never null.
    const Ref<TSymbolCollection>& Symbols() const { return symbols_; }
    // Font height := the tallest glyph's height.
    void CalcHeight();

private:
    Ref<TSymbolCollection> symbols_;
    int32_t fontHeight_ = 0;
};

// A font made of other fonts ("fonts": names separated by ","), looked up at
// SetOwner through the owner; names that are no font are skipped.
class TFontSubstituteResource : public TResource, public virtual IFontResource {
public:
    // The current font's (the one the last lookup ended in); null or 0
    // without one.
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    Ref<ISurface> GetSurface() override;

    // The tallest of the listed fonts' heights; 0 with none.
    int32_t GetFontHeight() override;
    // Asks each listed font in turn; the current font becomes the one that
    // answered, or the last one when none did.
    Ref<ISymbol> GetSymbol(const WideString& text) override;
    Ref<ISymbol> GetSymbolByCode(char16_t code) override;

    void SetOwner(const Ref<IResourceOwner>& owner) override;
    void Detach() override;

    // The keys of a resource, then "fonts" (written when not empty).
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    const std::string& GetFonts() const { return fonts_; }
    void SetFonts(const std::string& fonts) { fonts_ = fonts; }
    int32_t FontCount() const { return static_cast<int32_t>(fontList_.size()); }

private:
    std::string fonts_;
    std::vector<Ref<IFontResource>> fontList_;
    Ref<IFontResource> currentFont_;
    bool inLookup_ = false;  // guards against a chain that lists itself
};

// ---------------------------------------------------------------------------
// Decoders, usable on their own. Each decodes a whole file held in memory
// into pixels alpha << 24 | red << 16 | green << 8 | blue. On failure (corrupt,
// truncated or not of that kind) they answer false, write one line to the
// core log (module "IMAGE") naming `what`, and leave no surface.

// PNG of any colour type and depth (palette, grey, 16-bit, tRNS expanded),
// decoded straight into a new surface, marked transparent.
bool DecodePngToSurface(const uint8_t* data, size_t size, const std::string& what,
                        Ref<ISurface>& surface);
// JPEG (colour or grey), decoded straight into a new surface, opaque, alpha
// 255 everywhere.
bool DecodeJpegToSurface(const uint8_t* data, size_t size, const std::string& what,
                         Ref<ISurface>& surface);

// How many times a decoder above has run in this process, whatever the
// outcome (a "jpng" picture runs two). Tests count decodes with it: a picture
// the engine already holds must not be read again.
uint64_t ImageDecodeCount();
