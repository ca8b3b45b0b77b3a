#include "widgets/ListBoxControl.h"

#include <algorithm>

#include "core/base/Log.h"
#include "core/base/Utf8.h"
#include "widgets/TextWidget.h"
#include "widgets/WidgetInternal.h"

namespace {

// Key codes the list box answers.
constexpr int32_t kKeyHome = 1;
constexpr int32_t kKeyEnd = 4;
constexpr int32_t kKeyUpArrow = 30;
constexpr int32_t kKeyDownArrow = 31;

}  // namespace

const TPropertyTable& TListBoxControl::Table() {
    using L = TListBoxControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<L>(TControlWidget::Table())
            .Field("rowheight", &L::rowHeight_, 0).SaveAlways().StorageOnly()
            .Field("color", &L::textColor_, 0u).Color().SaveAlways().StorageOnly()
            .Field("selectedcolor", &L::selectedColor_, 0u).Color().SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TListBoxControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    // The default depends on the height just read.
    if (storage) rowHeight_ = ReadInteger(storage, "rowheight", GetHeight() / 10);
}

void TListBoxControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    selectedBackground_ = Weak<IWidget>(Children().GetWidgetByName("image_selectedbackground"));
    const Ref<IWidget> box = Children().GetWidgetByName("image_contentbox");
    contentBox_ = Weak<IWidget>(box);
    textLeft_ = box ? RoundToInt(box->GetDrawLeft()) : 0;
    textTop_ = box ? RoundToInt(box->GetDrawTop()) : 0;
    const int32_t areaHeight = box ? box->GetHeight() : GetHeight();
    if (rowHeight_ > 0) {
        visibleRows_ = areaHeight / rowHeight_;
    } else {
        visibleRows_ = 0;
        Log("WIDGET", DescribeWidget(*this) + ": the row height " + std::to_string(rowHeight_) +
                          " fits no row");
    }
}

void TListBoxControl::Detach() {
    selectedBackground_ = nullptr;
    contentBox_ = nullptr;
    TControlWidget::Detach();
}

bool TListBoxControl::GetTabStop() {
    return TControlWidget::GetTabStop() && GetVisible() && GetEnabled();
}

std::string TListBoxControl::GetItem(const Variant& key) {
    return items_.GetItem(key);
}

std::string TListBoxControl::AddItem(const std::string& text, const std::string& name) {
    items_.Add(text, name.empty(), name);
    UpdateScrollState();
    return text;
}

void TListBoxControl::DeleteItem(const Variant& key) {
    int32_t position = -1;
    switch (key.Type()) {
        case varSmallint:
        case varInteger:
        case varByte:
            position = key.ToInt();
            break;
        case varString:
        case varOleStr:
            position = items_.IndexOf(key.ToString());
            break;
        default:
            break;
    }
    // The collection raises for a position or name it does not hold; a
    // screen deleting what is not there changes nothing.
    if (position < 0 || position >= items_.GetCount()) return;
    items_.DeleteAt(position);
    if (position == itemIndex_) SetItemIndex(std::min(position, items_.GetCount() - 1));
    UpdateScrollState();
}

void TListBoxControl::Clear() {
    items_.Clear();
    UpdateScrollState();
    itemIndex_ = -1;
}

void TListBoxControl::SetItemIndex(int32_t index) {
    if (index < 0 || index >= items_.GetCount()) return;
    if (index != itemIndex_) SetChanged(true);
    itemIndex_ = index;
}

void TListBoxControl::SetTopIndex(int32_t index) {
    if (index != topIndex_) SetChanged(true);
    topIndex_ = index;
}

void TListBoxControl::UpdateScrollState() {
    SetChanged(true);
    const int32_t count = items_.GetCount();
    if (topIndex_ > count - visibleRows_) SetTopIndex(std::max(count - visibleRows_, 0));
    if (const Ref<IWidget> up = Children().GetWidgetByName("button_up")) {
        up->SetEnabled(topIndex_ > 0);
    }
    if (const Ref<IWidget> down = Children().GetWidgetByName("button_down")) {
        down->SetEnabled(int64_t{topIndex_} + visibleRows_ < count);
    }
}

void TListBoxControl::Render(ISurface& surface, int32_t x, int32_t y) {
    TControlWidget::Render(surface, x, y);
    const Ref<IWidget> text = Children().GetWidgetByName("text");
    if (!text) return;
    const Ref<ITextWidget> textWidget = Query<ITextWidget>(text);
    const Ref<IWidget> background = selectedBackground_.Lock();
    text->SetVisible(true);
    const int32_t first = std::max(topIndex_, 0);
    const int32_t last =
        int32_t(std::min<int64_t>(int64_t{first} + visibleRows_ - 1, items_.GetCount() - 1));
    const int32_t dx = AddClamped(x, textLeft_);
    for (int32_t i = first; i <= last; ++i) {
        const int64_t rowTop = int64_t{rowHeight_} * (i - first);
        const int32_t dy = AddClamped(AddClamped(y, textTop_),
                                      int32_t(std::clamp<int64_t>(rowTop, INT32_MIN, INT32_MAX)));
        if (i == itemIndex_) {
            text->SetProperty("fillcolor", Variant(int64_t{selectedColor_}));
            if (background) {
                background->SetVisible(true);
                background->Render(surface, AddClamped(dx, RoundToInt(background->GetLeft())),
                                   AddClamped(dy, RoundToInt(background->GetTop())));
                background->SetVisible(false);
            }
        } else {
            text->SetProperty("fillcolor", Variant(int64_t{textColor_}));
        }
        // A player's text: shown as typed, never translated.
        const WideString row = UTF8ToWide(items_.GetItem(Variant(i)));
        if (textWidget) {
            textWidget->SetText(FitWithEllipsis(*textWidget, row));
        } else {
            text->SetProperty("text", Variant(row));
        }
        text->Render(surface, dx, dy);
    }
    text->SetVisible(false);
}

int32_t TListBoxControl::ItemAt(int32_t x, int32_t y) {
    if (rowHeight_ <= 0) return -1;
    const int64_t lx = int64_t{x} - RoundToInt(GetDrawLeft());
    const int64_t ly = int64_t{y} - RoundToInt(GetDrawTop());
    if (lx < textLeft_ || ly < textTop_) return -1;
    if (ly > int64_t{textTop_} + int64_t{visibleRows_} * rowHeight_) return -1;
    const int64_t row = int64_t{std::max(topIndex_, 0)} + (ly - textTop_) / rowHeight_;
    return row > INT32_MAX ? -1 : int32_t(row);
}

bool TListBoxControl::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)shift;
    (void)button;
    const int32_t row = ItemAt(x, y);
    // Below the last item there is nothing to select or report.
    if (row < 0 || row >= items_.GetCount()) return false;
    const Ref<IWidget> self(this);
    SetItemIndex(row);
    Notify(kEventListSelection);
    return true;
}

bool TListBoxControl::MouseDoubleClick(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)shift;
    (void)button;
    const int32_t row = ItemAt(x, y);
    if (row < 0 || row >= items_.GetCount()) return false;
    Notify(kEventListDoubleClick);
    return true;
}

bool TListBoxControl::HandleKey(int32_t kind, int32_t key, int32_t shift) {
    if (!GetFocused() || kind != kKeyDown) return TControlWidget::HandleKey(kind, key, shift);
    const int32_t last = items_.GetCount() - 1;
    int32_t next = 0;
    switch (key) {
        case kKeyHome:
            if (itemIndex_ <= 0) return false;
            next = 0;
            break;
        case kKeyEnd:
            if (itemIndex_ >= last) return false;
            next = last;
            break;
        case kKeyUpArrow:
            if (itemIndex_ <= 0) return false;
            next = itemIndex_ - 1;
            break;
        case kKeyDownArrow:
            if (itemIndex_ >= last) return false;
            next = itemIndex_ + 1;
            break;
        default:
            return TControlWidget::HandleKey(kind, key, shift);
    }
    const Ref<IWidget> self(this);
    SetItemIndex(next);
    Notify(kEventListSelection);
    // The selection scrolled into view.
    if (topIndex_ > itemIndex_) SetTopIndex(itemIndex_);
    if (int64_t{topIndex_} + visibleRows_ - 1 <= itemIndex_) {
        SetTopIndex(itemIndex_ - visibleRows_ + 1);
    }
    UpdateScrollState();
    return true;
}

void TListBoxControl::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                  const Ref<IParamCollection>& params) {
    (void)code;
    (void)params;
    if (!sender) return;
    const std::string name = sender->GetName();
    if (name == "button_up") {
        SetTopIndex(topIndex_ - 1);
        UpdateScrollState();
    } else if (name == "button_down") {
        SetTopIndex(topIndex_ + 1);
        UpdateScrollState();
    }
}

bool TListBoxControl::ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) {
    const Ref<IEventHandler> handler = OwnerEventHandler();
    return handler && handler->ShowGameScreen(name, params);
}

bool TListBoxControl::CloseGameScreen(const Ref<IParamCollection>& results) {
    const Ref<IEventHandler> handler = OwnerEventHandler();
    return handler && handler->CloseGameScreen(results);
}
