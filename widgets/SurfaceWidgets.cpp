#include "widgets/SurfaceWidgets.h"

#include "core/base/Log.h"

#include "widgets/ImageWidgets.h"
#include "widgets/WidgetInternal.h"

// ---------------------------------------------------------------------------
// TSurfaceWidget

const TPropertyTable& TSurfaceWidget::Table() {
    using W = TSurfaceWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualWidget::Table())
            .Custom("surface", [](W& w) { return Variant(w.surface_); }, &W::SetSurfaceProperty)
            .Custom("fillcolor", [](W& w) { return Variant(int64_t{w.fillColor_}); }, &W::SetFillColorProperty)
            .Custom("drawmode", [](W& w) { return Variant(int32_t{w.drawMode_}); }, &W::SetDrawModeProperty)
            .Accessor("width", &W::GetWidth, &W::SetWidthValue).NotStored().NoAssign()
            .Accessor("height", &W::GetHeight, &W::SetHeightValue).NotStored().NoAssign()
            .Accessor("shifttop", &W::GetShiftTop, &W::SetShiftTop).NotStored().NoAssign()
            .Accessor("shiftleft", &W::GetShiftLeft, &W::SetShiftLeft).NotStored().NoAssign()
            .Field("drawmode", &W::drawMode_, kDrawCopyRect).Enum(TImageWidget::kDrawModeNames).StorageOnly()
            .Field("fillcolor", &W::fillColor_, 0u).Color().SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TSurfaceWidget::SetSurfaceProperty(TSurfaceWidget& widget, const Variant& value) {
    widget.SetSurface(value);
}

void TSurfaceWidget::SetFillColorProperty(TSurfaceWidget& widget, const Variant& value) {
    const uint32_t color = ColorFromVariant(value);
    if (color == widget.fillColor_) return;
    widget.fillColor_ = color;
    widget.SetChanged(true);
}

void TSurfaceWidget::SetDrawModeProperty(TSurfaceWidget& widget, const Variant& value) {
    const auto mode = static_cast<uint8_t>(value.ToInt());
    if (mode == widget.drawMode_) return;
    widget.drawMode_ = mode;
    widget.SetChanged(true);
}

void TSurfaceWidget::SetGeometry(int32_t& field, int32_t value) {
    if (value == field) return;
    field = value;
    SetMoved(true);
}

void TSurfaceWidget::SetSurface(const Variant& value) {
    Ref<IInterface> object;
    try {
        object = value.ToInterface();
    } catch (const EVariantError&) {
        // A value that is no interface leaves no surface.
    }
    surface_ = Query<ISurface>(object);
    SetMoved(true);
    shiftLeft_ = shiftTop_ = 0;
    width_ = surface_ ? surface_->GetWidth() : 0;
    height_ = surface_ ? surface_->GetHeight() : 0;
}

void TSurfaceWidget::Detach() {
    surface_ = nullptr;
    TVisualWidget::Detach();
}

void TSurfaceWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    if (!surface_) return;
    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    const TRect dest{x, y, AddClamped(x, width), AddClamped(y, height)};
    const TRect source{shiftLeft_, shiftTop_, AddClamped(shiftLeft_, width),
                       AddClamped(shiftTop_, height)};
    // The surface keeps the copy inside both pictures; a size of 0 or less
    // draws nothing.
    switch (drawMode_) {
        case kDrawCopyRect:
            surface.Draw(surface_.get(), source, dest, GetTransparentLevel(), bm_Normal);
            break;
        case kDrawFillColor:
            surface.DrawColored(fillColor_, surface_.get(), source, dest, GetTransparentLevel(),
                                bm_Normal);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// TLinkedSurfaceWidget

const TPropertyTable& TLinkedSurfaceWidget::Table() {
    using W = TLinkedSurfaceWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TSurfaceWidget::Table())
            .Field("linked_widget_name", &W::linkedWidgetName_)
            .Build();
    // clang-format on
    return table;
}

void TLinkedSurfaceWidget::DoUpdate(int32_t elapsedMs) {
    TSurfaceWidget::DoUpdate(elapsedMs);
    // An empty path would find this widget itself.
    if (linkedWidgetName_.empty()) return;
    const Ref<IWidget> linked = FindWidget(linkedWidgetName_);
    if (!linked) return;
    // The snapshot of this widget or of one that holds it would hold the
    // last snapshot too: the picture would grow with every frame.
    for (IWidget* link = this; link; link = dynamic_cast<IWidget*>(link->GetOwner())) {
        if (link != linked.get()) continue;
        if (refusedLink_ != linkedWidgetName_) {
            refusedLink_ = linkedWidgetName_;
            Log("WIDGET", GetPath() + ": \"" + linkedWidgetName_ +
                              "\" is this widget or holds it; the link is refused");
        }
        return;
    }
    SetSurface(Variant(linked->GetSnapshot()));
}
