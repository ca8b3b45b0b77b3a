// Image widgets: a rectangle cut from an image resource of the engine, drawn
// at the widget's place in a blend mode with the widget's transparency, or
// painted in one colour through the image's alpha. TResourceWidget is the
// base of every widget that draws a named engine resource; TImageWidget
// ("image_widget") is the image widget proper and the base of the
// animation, blink and text widgets.
//
// The resource is never kept: every draw and every hit test asks the engine
// for it by name, so a resource that is loaded, unloaded or replaced shows on
// the next frame.
//
// Failures: a name the engine does not hold, a resource that is no image or
// an image without pixels draws nothing and raises nothing; without an owner
// (so without an engine) the widget draws nothing and is hit by its whole
// rectangle. A property value that does not convert is refused and logged.
#pragma once

#include <cstdint>
#include <string>

#include "engine/resources/EngineImages.h"
#include "widgets/WidgetClasses.h"

// Draws nothing itself; not registered. Stored key "resourcename" (always
// written); property "resourcename" (a different name marks the widget
// changed).
class TResourceWidget : public TSingleWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The inherited Attach, then the engine link from the owner.
    void Attach(IWidgetOwner* owner) override;
    // Drops the engine link, then the inherited Detach.
    void Detach() override;

    // The engine's resource of the widget's name as an image; null without
    // an engine link, without such a resource, or when it is no image.
    Ref<IImageResource> GetImageResource();

    const std::string& GetResourceName() const { return resourceName_; }
    // A different name is stored and marks the widget changed.
    virtual void SetResourceName(const std::string& name);

protected:
    // Null while the widget is detached.
    Ref<IEngine> GetEngineLink() const { return engine_.Lock(); }

private:
    std::string resourceName_;
    Weak<IEngine> engine_;  // the owner's engine while attached; never kept alive
};

// "image_widget". Stored keys, after the single widget's: "resourcename",
// "resourceleft", "resourcetop", "drawmode" ("/copyrect/fillcolor"),
// "blendingmode" (the surface's blend list) and "fillcolor", all written
// always. Properties of the same names: "drawmode" and "blendingmode" take
// the low byte of an integer unchecked (the surface draws nothing for a mode
// it does not know), "fillcolor" a colour in its stored text form, and
// "resourceleft"/"resourcetop" mark the widget changed when they change.
//
// The source rectangle is always (resourceleft, resourcetop) plus the
// widget's size: an image widget never scales.
class TImageWidget : public TResourceWidget {
public:
    enum : uint8_t { kDrawCopyRect = 0, kDrawFillColor = 1 };
    static constexpr std::string_view kDrawModeNames = "/copyrect/fillcolor";

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // copyrect draws the source rectangle with the blend mode; fillcolor
    // paints the fill colour through its alpha; other modes draw nothing.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // Inside the bounds and over a pixel of the source rectangle whose alpha
    // is not 0. A point on the right or bottom edge, or over no pixel of the
    // image, misses; without a picture (no engine, no such image) the whole
    // rectangle hits.
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;

    uint8_t GetDrawMode() const { return drawMode_; }
    uint8_t GetBlendingMode() const { return blendingMode_; }
    uint32_t GetFillColor() const { return fillColor_; }
    int32_t GetResourceLeft() const { return resourceLeft_; }
    int32_t GetResourceTop() const { return resourceTop_; }
    // Each stores a different value and marks the widget changed.
    void SetDrawMode(uint8_t value);
    void SetBlendingMode(uint8_t value);
    void SetFillColor(uint32_t value);
    void SetResourceLeft(int32_t value);
    void SetResourceTop(int32_t value);
    // (resourceleft, resourcetop, + width, + height).
    TRect GetSourceRect();

protected:
    // Moves the source rectangle without marking the widget changed (the
    // frames of an animation strip, chosen while drawing).
    void SetSourceOrigin(int32_t left, int32_t top) {
        resourceLeft_ = left;
        resourceTop_ = top;
    }
    // The engine's picture of the resource; null as GetImageResource, or
    // when it has no pixels.
    Ref<ISurface> GetPicture();

private:
    static void SetFillColorProperty(TImageWidget& widget, const Variant& value);
    static void SetDrawModeProperty(TImageWidget& widget, const Variant& value);
    static void SetBlendingModeProperty(TImageWidget& widget, const Variant& value);

    int32_t resourceLeft_ = 0;
    int32_t resourceTop_ = 0;
    uint32_t fillColor_ = 0;
    uint8_t drawMode_ = kDrawCopyRect;
    uint8_t blendingMode_ = bm_Normal;
};

// A colour given by name: the value's text in the stored colour form
// ("$AARRGGBB", or decimal up to 4294967295). Raises EVariantError for a
// text that is no colour.
uint32_t ColorFromVariant(const Variant& value);
