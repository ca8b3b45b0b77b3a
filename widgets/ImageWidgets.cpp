#include "widgets/ImageWidgets.h"

#include "core/persist/ValueText.h"
#include "widgets/WidgetInternal.h"

uint32_t ColorFromVariant(const Variant& value) {
    Variant color;
    const std::string text = value.ToString();
    if (!ParseValueText(TValueForm::kColor, {}, text, color)) {
        throw EVariantError("\"" + text + "\" is no colour");
    }
    return static_cast<uint32_t>(color.ToInt64());
}

// ---------------------------------------------------------------------------
// TResourceWidget

const TPropertyTable& TResourceWidget::Table() {
    using W = TResourceWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TSingleWidget::Table())
            .Accessor("resourcename", &W::GetResourceName, &W::SetResourceName).NotStored().NoAssign()
            .Field("resourcename", &W::resourceName_).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TResourceWidget::Attach(IWidgetOwner* owner) {
    TSingleWidget::Attach(owner);
    engine_ = owner ? Weak<IEngine>(owner->GetEngine()) : Weak<IEngine>();
}

void TResourceWidget::Detach() {
    engine_ = nullptr;
    TSingleWidget::Detach();
}

Ref<IImageResource> TResourceWidget::GetImageResource() {
    const Ref<IEngine> engine = engine_.Lock();
    if (!engine) return nullptr;
    return Query<IImageResource>(engine->GetResource(resourceName_));
}

void TResourceWidget::SetResourceName(const std::string& name) {
    if (name == resourceName_) return;
    resourceName_ = name;
    SetChanged(true);
}

// ---------------------------------------------------------------------------
// TImageWidget

const TPropertyTable& TImageWidget::Table() {
    using W = TImageWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TResourceWidget::Table())
            .Accessor("resourceleft", &W::GetResourceLeft, &W::SetResourceLeft).NotStored().NoAssign()
            .Accessor("resourcetop", &W::GetResourceTop, &W::SetResourceTop).NotStored().NoAssign()
            .Custom("drawmode", [](W& w) { return Variant(int32_t{w.drawMode_}); }, &W::SetDrawModeProperty)
            .Custom("blendingmode", [](W& w) { return Variant(int32_t{w.blendingMode_}); }, &W::SetBlendingModeProperty)
            .Custom("fillcolor", [](W& w) { return Variant(int64_t{w.fillColor_}); }, &W::SetFillColorProperty)
            .Field("resourceleft", &W::resourceLeft_, 0).SaveAlways().StorageOnly()
            .Field("resourcetop", &W::resourceTop_, 0).SaveAlways().StorageOnly()
            .Field("drawmode", &W::drawMode_, kDrawCopyRect).Enum(kDrawModeNames).SaveAlways().StorageOnly()
            .Field("blendingmode", &W::blendingMode_, bm_Normal).Enum(kBlendingModeNames).SaveAlways().StorageOnly()
            .Field("fillcolor", &W::fillColor_, 0u).Color().SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TImageWidget::SetFillColorProperty(TImageWidget& widget, const Variant& value) {
    widget.SetFillColor(ColorFromVariant(value));
}

void TImageWidget::SetDrawModeProperty(TImageWidget& widget, const Variant& value) {
    widget.SetDrawMode(static_cast<uint8_t>(value.ToInt()));
}

void TImageWidget::SetBlendingModeProperty(TImageWidget& widget, const Variant& value) {
    widget.SetBlendingMode(static_cast<uint8_t>(value.ToInt()));
}

void TImageWidget::SetDrawMode(uint8_t value) {
    if (value == drawMode_) return;
    drawMode_ = value;
    SetChanged(true);
}

void TImageWidget::SetBlendingMode(uint8_t value) {
    if (value == blendingMode_) return;
    blendingMode_ = value;
    SetChanged(true);
}

void TImageWidget::SetFillColor(uint32_t value) {
    if (value == fillColor_) return;
    fillColor_ = value;
    SetChanged(true);
}

void TImageWidget::SetResourceLeft(int32_t value) {
    if (value == resourceLeft_) return;
    resourceLeft_ = value;
    SetChanged(true);
}

void TImageWidget::SetResourceTop(int32_t value) {
    if (value == resourceTop_) return;
    resourceTop_ = value;
    SetChanged(true);
}

TRect TImageWidget::GetSourceRect() {
    return {resourceLeft_, resourceTop_, AddClamped(resourceLeft_, GetWidth()),
            AddClamped(resourceTop_, GetHeight())};
}

Ref<ISurface> TImageWidget::GetPicture() {
    const Ref<IImageResource> image = GetImageResource();
    return image ? image->GetSurface() : nullptr;
}

void TImageWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    const Ref<ISurface> picture = GetPicture();
    if (!picture) return;
    const TRect dest{x, y, AddClamped(x, GetWidth()), AddClamped(y, GetHeight())};
    const TRect source = GetSourceRect();
    switch (drawMode_) {
        case kDrawCopyRect:
            surface.Draw(picture.get(), source, dest, GetTransparentLevel(),
                         static_cast<TBlendingMode>(blendingMode_));
            break;
        case kDrawFillColor:
            surface.DrawColored(fillColor_, picture.get(), source, dest, GetTransparentLevel(),
                                static_cast<TBlendingMode>(blendingMode_));
            break;
        default:
            break;
    }
}

bool TImageWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!TResourceWidget::ContainsPoint(x, y, ignoreVisible)) return false;
    const Ref<ISurface> picture = GetPicture();
    if (!picture) return true;
    const int64_t dx = int64_t{x} - RoundToInt(GetLeft());
    const int64_t dy = int64_t{y} - RoundToInt(GetTop());
    if (dx < 0 || dy < 0 || dx >= GetWidth() || dy >= GetHeight()) return false;
    const int64_t px = dx + resourceLeft_;
    const int64_t py = dy + resourceTop_;
    if (px < 0 || py < 0 || px >= picture->GetWidth() || py >= picture->GetHeight()) return false;
    uint32_t pixel = 0;
    picture->GetPixel(static_cast<int32_t>(px), static_cast<int32_t>(py), pixel);
    return (pixel >> 24) != 0;
}
