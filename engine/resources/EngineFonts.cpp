#include <algorithm>
#include <charconv>
#include <climits>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/persist/ValueText.h"
#include "engine/resources/EngineImages.h"

// ---------------------------------------------------------------------------
// TSymbol

void TSymbol::Create() {
    TPersistObject::Create();
    SetNodeName("symbol");
}

void TSymbol::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    const std::string codeText = ReadString(storage, "scancode", "");
    SetName(codeText);
    // A glyph without a usable code keeps an empty rectangle.
    int64_t code;
    if (!ParseIntegerText(codeText, INT32_MIN, INT32_MAX, code)) {
        if (!codeText.empty()) {
            LogUnconvertedText(storage, "scancode", {}, codeText, TValueForm::kInteger, {});
        }
        return;
    }
    scanCode_ = static_cast<int32_t>(code);
    const int32_t left = ReadInteger(storage, "left", 0);
    const int32_t top = ReadInteger(storage, "top", 0);
    const int64_t right = int64_t{left} + ReadInteger(storage, "width", 0);
    const int64_t bottom = int64_t{top} + ReadInteger(storage, "height", 0);
    rect_ = {left, top, static_cast<int32_t>(std::clamp<int64_t>(right, INT32_MIN, INT32_MAX)),
             static_cast<int32_t>(std::clamp<int64_t>(bottom, INT32_MIN, INT32_MAX))};
    wLeft_ = ReadInteger(storage, "wleft", 0);
    wRight_ = ReadInteger(storage, "wright", 0);
}

void TSymbol::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    WriteInteger(storage, "scancode", scanCode_, true);
    WriteInteger(storage, "left", rect_.left, rect_.left != 0);
    WriteInteger(storage, "top", rect_.top, rect_.top != 0);
    WriteInteger(storage, "width", GetWidth(), true);
    WriteInteger(storage, "height", GetHeight(), true);
    WriteInteger(storage, "wleft", wLeft_, wLeft_ != 0);
    WriteInteger(storage, "wright", wRight_, wRight_ != 0);
}

// ---------------------------------------------------------------------------
// TSymbolCollection

void TSymbolCollection::Create() {
    TStaticCreationPersistItemCollection::Create();
    SetNodeName("symbols");
    SetItemNodeName("symbol");
    SetItemClass(ClassOf<TSymbol>());
}

// ---------------------------------------------------------------------------
// TFontResource

void TFontResource::Create() {
    TImageResource::Create();
    symbols_ = CreateObject<TSymbolCollection>();
}

Ref<ISymbol> TFontResource::GetSymbol(const WideString& text) {
    if (text.empty()) return nullptr;
    return GetSymbolByCode(text[0]);
}

Ref<ISymbol> TFontResource::GetSymbolByCode(char16_t code) {
    // Glyphs are named by the plain decimal code ("A" is "65").
    char name[8];
    const auto end = std::to_chars(name, name + sizeof name, static_cast<uint32_t>(code)).ptr;
    return Query<ISymbol>(
        symbols_->Items().GetItemByName(std::string_view(name, static_cast<size_t>(end - name))));
}

void TFontResource::LoadFrom(const Ref<IHierStorage>& storage) {
    TImageResource::LoadFrom(storage);
    if (storage) LoadChildObject(Ref<IPersistObject>(symbols_), storage, "symbols", 0);
    CalcHeight();
}

void TFontResource::SaveTo(const Ref<IHierStorage>& storage) {
    TImageResource::SaveTo(storage);
    SaveChildObject(Ref<IPersistObject>(symbols_), storage, "symbols");
}

void TFontResource::CalcHeight() {
    fontHeight_ = 0;
    const int32_t count = symbols_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (Ref<ISymbol> symbol = Query<ISymbol>(symbols_->Items().GetItemAt(i)))
            fontHeight_ = std::max(fontHeight_, symbol->GetHeight());
    }
}

// ---------------------------------------------------------------------------
// TFontSubstituteResource

int32_t TFontSubstituteResource::GetWidth() {
    return currentFont_ ? currentFont_->GetWidth() : 0;
}

int32_t TFontSubstituteResource::GetHeight() {
    return currentFont_ ? currentFont_->GetHeight() : 0;
}

Ref<ISurface> TFontSubstituteResource::GetSurface() {
    return currentFont_ ? currentFont_->GetSurface() : nullptr;
}

int32_t TFontSubstituteResource::GetFontHeight() {
    if (inLookup_) return 0;  // a chain that reaches itself
    inLookup_ = true;
    int32_t height = 0;
    for (const Ref<IFontResource>& font : fontList_)
        height = std::max(height, font->GetFontHeight());
    inLookup_ = false;
    return height;
}

Ref<ISymbol> TFontSubstituteResource::GetSymbol(const WideString& text) {
    if (text.empty()) {
        // Asked of every font in turn, none has a glyph: the last one stays.
        if (!fontList_.empty()) currentFont_ = fontList_.back();
        return nullptr;
    }
    return GetSymbolByCode(text[0]);
}

Ref<ISymbol> TFontSubstituteResource::GetSymbolByCode(char16_t code) {
    if (inLookup_) return nullptr;  // a chain that reaches itself
    inLookup_ = true;
    Ref<ISymbol> symbol;
    for (const Ref<IFontResource>& font : fontList_) {
        currentFont_ = font;
        symbol = font->GetSymbolByCode(code);
        if (symbol) break;
    }
    inLookup_ = false;
    return symbol;
}

void TFontSubstituteResource::SetOwner(const Ref<IResourceOwner>& owner) {
    TResource::SetOwner(owner);
    fontList_.clear();
    currentFont_ = nullptr;
    if (!owner) return;
    TOneArrayOfString names;
    if (Split(fonts_, names, ',') == 0) return;
    for (const std::string& piece : names) {
        const std::string_view name = Trim(piece);
        if (name.empty()) continue;
        Ref<IFontResource> font = Query<IFontResource>(owner->GetResource(std::string(name)));
        if (!font) {
            Log("FONT", "The font list of \"" + GetName() + "\" names \"" + std::string(name) +
                            "\", which is no font; it is skipped.");
            continue;
        }
        if (font.get() == static_cast<IFontResource*>(this)) continue;
        bool listed = false;
        for (const Ref<IFontResource>& other : fontList_) listed = listed || other == font;
        if (!listed) fontList_.push_back(std::move(font));
    }
}

void TFontSubstituteResource::Detach() {
    fontList_.clear();
    currentFont_ = nullptr;
    TResource::Detach();
}

const TPropertyTable& TFontSubstituteResource::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TFontSubstituteResource>(TResource::Table())
            .Field("fonts", &TFontSubstituteResource::fonts_)
            .Build();
    // clang-format on
    return table;
}
