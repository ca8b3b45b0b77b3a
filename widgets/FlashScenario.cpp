#include "widgets/FlashScenario.h"

#include <algorithm>
#include <limits>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/Random.h"
#include "core/base/SafeConvert.h"
#include "core/object/GeneralClasses.h"
#include "widgets/Scenarios.h"
#include "widgets/WidgetInternal.h"

namespace {

// Chains of next actions whose steps take no time (a duration of 0) run
// inside one another; a chain this deep loops.
constexpr int kMaxChainDepth = 32;
int chainDepth = 0;

class TChainDepth {
public:
    TChainDepth() { ++chainDepth; }
    ~TChainDepth() { --chainDepth; }
    TChainDepth(const TChainDepth&) = delete;
    TChainDepth& operator=(const TChainDepth&) = delete;
    bool TooDeep() const { return chainDepth > kMaxChainDepth; }
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A plain decimal integer (blanks around it allowed) in the 32-bit range.
bool StrictInt32(std::string_view text, int32_t& value) {
    int64_t number = 0;
    if (!TryTextToInt64(text, number) || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = int32_t(number);
    return true;
}

// The properties that step in real numbers unless a modifier says otherwise.
bool StepsInReals(std::string_view name) {
    return name == "angle" || name == "zoom" || name == "anchor_left" || name == "anchor_top" ||
           name == "zoomx" || name == "zoomy";
}

bool IsButtonDown(int32_t code) {
    return code == kMouseLeftDown || code == kMouseMiddleDown || code == kMouseRightDown;
}

bool IsButtonUp(int32_t code) {
    return code == kMouseLeftUp || code == kMouseMiddleUp || code == kMouseRightUp;
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers

void SplitAtColon(std::string_view text, std::string& before, std::string& after) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        before.assign(text);
        after.clear();
        return;
    }
    before.assign(text.substr(0, colon));
    after.assign(text.substr(colon + 1));
}

std::string TextAfterColon(std::string_view text) {
    const size_t colon = text.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(text.substr(colon + 1));
}

bool ConvertToReal(Variant& value) {
    if (value.IsUnassigned()) {
        value = Variant(0.0);
        return true;
    }
    if (value.IsString()) {
        double number = 0.0;
        if (!TryTextToFloat(value.ToString(), number)) number = 0.0;
        value = Variant(number);
        return true;
    }
    if (!value.IsNumeric()) return false;
    try {
        value = Variant(value.ToDouble());
    } catch (const Exception&) {
        return false;
    }
    return true;
}

bool ParseFlashDuration(std::string_view text, int32_t& baseDuration, int32_t& maxIncrement) {
    baseDuration = -1;
    maxIncrement = 0;
    if (text.empty()) return true;
    if (!StartsWith(text, "rnd")) return StrictInt32(text, baseDuration);
    const std::string part = TextAfterColon(text);
    const size_t colon = part.find(':');
    if (colon == std::string::npos) return StrictInt32(part, maxIncrement);
    return StrictInt32(std::string_view(part).substr(0, colon), baseDuration) &&
           StrictInt32(std::string_view(part).substr(colon + 1), maxIncrement);
}

void ApplyWidgetList(IWidget& widget, std::string_view list, bool show) {
    for (const std::string& piece : SplitTrimmed(list, ';')) {
        std::string name = piece;
        if (StartsWith(piece, "rnd")) {
            const TOneArrayOfString names = SplitTrimmed(TextAfterColon(piece), ',');
            if (names.empty()) continue;
            name = names[size_t(Random(int32_t(names.size())))];
        }
        // Asked afresh for each name and held meanwhile: a restarted widget
        // may change the tree.
        const Ref<IWidgetOwner> owner(widget.GetOwner());
        if (!owner) return;
        const Ref<IWidget> found = owner->FindWidget(name);
        if (!found) continue;
        found->SetPaused(!show);
        if (show) found->Restart();
        found->SetVisible(show);
    }
}

// ---------------------------------------------------------------------------
// TFlashScenarioBase

const TPropertyTable& TFlashScenarioBase::Table() {
    using S = TFlashScenarioBase;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TAbstractWidget::Table())
            .Field("duration", &S::baseDuration_, 0).NotStored()
            .Field("maxincrementaldurationtime", &S::maxIncrementalDuration_, 0).NotStored()
            .Field("linked_widget_name", &S::linkedWidgetName_).NotStored()
            .Accessor("actiontype", &S::ActionTypeValue, &S::SetActionTypeValue).NotStored().NoAssign()
            .Custom("properties", &S::PropertiesProperty, &S::SetPropertiesProperty)
            .Custom("value", &S::ValueProperty, &S::SetValueProperty)
            .Field("show_on_start", &S::showOnStart_, false).NotStored()
            .Field("hide_on_end", &S::hideOnEnd_, false).NotStored()
            .Field("previos", &S::previousList_).NotStored()
            .Field("next", &S::nextAction_).NotStored()
            .Build();
    // clang-format on
    return table;
}

int32_t TFlashScenarioBase::ActionTypeValue(TFlashScenarioBase& scenario) {
    return scenario.actionType_;
}

void TFlashScenarioBase::SetActionTypeValue(TFlashScenarioBase& scenario, int32_t value) {
    scenario.actionType_ = uint8_t(value);
}

Variant TFlashScenarioBase::PropertiesProperty(TFlashScenarioBase& scenario) {
    return Variant(scenario.tracks_[0].name);
}

void TFlashScenarioBase::SetPropertiesProperty(TFlashScenarioBase& scenario, const Variant& value) {
    scenario.tracks_[0].name = value.ToString();
}

Variant TFlashScenarioBase::ValueProperty(TFlashScenarioBase& scenario) {
    return scenario.tracks_[0].endValue;
}

void TFlashScenarioBase::SetValueProperty(TFlashScenarioBase& scenario, const Variant& value) {
    scenario.tracks_[0].endValue = value;
}

void TFlashScenarioBase::LoadFrom(const Ref<IHierStorage>& storage) {
    TAbstractWidget::LoadFrom(storage);
    linkedWidgetName_ = ReadString(storage, "linked_widget_name", "");
    const std::string duration = ReadString(storage, "duration", "");
    if (!ParseFlashDuration(duration, baseDuration_, maxIncrementalDuration_)) {
        Log("WIDGET", (storage ? storage->GetPath() : DescribeWidget(*this)) + ": the duration \"" +
                          duration + "\" is no number; what could not be read is left out");
    }
    actionType_ = uint8_t(ReadEnum(storage, "actiontype", "/linear/idle", kLinear));
    tracks_ = {};
    trackCount_ = 0;
    if (actionType_ == kLinear) {
        LoadTracks(ReadString(storage, "properties", ""), ReadString(storage, "value", ""));
    }
    showOnStart_ = ReadBool(storage, "show_on_start", false);
    hideOnEnd_ = ReadBool(storage, "hide_on_end", false);
    SetMouseStop(ReadBool(storage, "mousestop", false));
    previousList_ = ReadString(storage, "previos", "");
    nextAction_ = ReadString(storage, "next", "");
    z_ = ReadInteger(storage, "z", 0);
    NoteZChanged();
}

void TFlashScenarioBase::LoadTracks(const std::string& names, const std::string& values) {
    const TOneArrayOfString nameList = SplitTrimmed(names, ';');
    const TOneArrayOfString valueList = SplitTrimmed(values, ';');
    trackCount_ = int32_t(nameList.size());
    if (trackCount_ > kMaxTracks || valueList.size() != nameList.size()) {
        actionType_ = kIdle;
        return;
    }
    for (size_t i = 0; i < nameList.size(); ++i) {
        TFlashPropertyTrack& track = tracks_[i];
        track.name = nameList[i];
        track.integerStep = !StepsInReals(track.name);
        std::string modifiers, value;
        SplitAtColon(valueList[i], modifiers, value);
        if (valueList[i].find(':') == std::string::npos) {
            track.value = Variant(valueList[i]);
            continue;
        }
        track.value = Variant(value);
        for (const std::string& modifier : SplitTrimmed(modifiers, '_')) {
            if (modifier == "rnd") {
                track.randomTarget = true;
            } else if (modifier == "inc") {
                track.increment = true;
            } else if (modifier == "float") {
                track.integerStep = true;
            } else if (modifier == "int") {
                track.integerStep = false;
            }
        }
    }
}

Ref<IWidget> TFlashScenarioBase::GetChild(const Variant& key) {
    (void)key;
    return linkedWidget_.Lock();
}

void TFlashScenarioBase::Attach(IWidgetOwner* owner) {
    TAbstractWidget::Attach(owner);
    linkedWidget_ = nullptr;
    running_ = false;
}

void TFlashScenarioBase::Detach() {
    TAbstractWidget::Detach();
    linkedWidget_ = nullptr;
}

void TFlashScenarioBase::StartAnimation() {
    const Ref<IWidget> self(this);
    runDuration_ = baseDuration_;
    // A random duration is a time limit whatever its base says.
    if (maxIncrementalDuration_ > 0) {
        runDuration_ = AddClamped(std::max(baseDuration_, 0), Random(maxIncrementalDuration_));
    }
    timed_ = runDuration_ >= 0;
    runLinear_ = actionType_ == kLinear;
    linkedWidget_ = nullptr;
    if (!linkedWidgetName_.empty()) {
        IWidgetOwner* owner = GetOwner();
        const Ref<IWidget> linked = owner ? owner->FindWidget(linkedWidgetName_) : nullptr;
        if (!linked) {
            runLinear_ = false;
        } else {
            linkedWidget_ = Weak<IWidget>(linked);
            PrepareTracks(*linked);
            if (showOnStart_) linked->SetVisible(true);
        }
    }
    SetCurrentTime(0);
    if (!previousList_.empty()) ApplyWidgetList(*this, previousList_, false);
    pressed_ = false;
    running_ = true;
}

void TFlashScenarioBase::PrepareTracks(IWidget& linked) {
    const int32_t count = std::min(trackCount_, kMaxTracks);
    for (int32_t i = 0; i < count; ++i) {
        TFlashPropertyTrack& track = tracks_[size_t(i)];
        try {
            track.startValue = linked.GetProperty(track.name);
        } catch (const Exception&) {
            track.startValue = Variant();
        }
        if (!runLinear_) continue;
        if (!ConvertToReal(track.startValue) || !ConvertToReal(track.value)) {
            runLinear_ = false;
            continue;
        }
        const double start = track.startValue.ToDouble();
        const double value = track.value.ToDouble();
        Variant end(value);
        if (track.randomTarget && value > 0) {
            end = Variant(Random(SaturatingRound<int32_t>(value)));
        } else if (track.randomTarget && value < 0) {
            end = Variant(-Random(SaturatingRound<int32_t>(-value)));
        }
        const double target = end.ToDouble();
        if (track.increment) {
            track.delta = Variant(target);
            track.endValue = Variant(start + target);
        } else {
            track.delta = Variant(target - start);
            track.endValue = end;
        }
    }
}

void TFlashScenarioBase::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TAbstractWidget::DoUpdate(elapsedMs);
    if (!running_) StartAnimation();
    if (timed_ && GetCurrentTime() >= runDuration_) {
        Pause();
        return;
    }
    // An untimed run has no length to spread the change over: its tracks
    // keep their start values until the run is ended and set to the end.
    if (!runLinear_ || !timed_) return;
    const Ref<IWidget> linked = linkedWidget_.Lock();
    if (!linked) return;
    const double fraction = double(GetCurrentTime()) / runDuration_;
    const int32_t count = std::min(trackCount_, kMaxTracks);
    for (int32_t i = 0; i < count; ++i) {
        const TFlashPropertyTrack& track = tracks_[size_t(i)];
        try {
            const double start = track.startValue.ToDouble();
            const double change = track.delta.ToDouble() * fraction;
            if (track.integerStep) {
                linked->SetProperty(track.name,
                                    Variant(AddClamped(SaturatingRound<int32_t>(start),
                                                       SaturatingTrunc<int32_t>(change))));
            } else {
                linked->SetProperty(track.name, Variant(start + change));
            }
        } catch (const Exception&) {
            // A track that fails this frame leaves the others to step.
        }
    }
}

void TFlashScenarioBase::Restart() {
    const Ref<IWidget> self(this);
    StartAnimation();
    TAbstractWidget::Restart();
}

void TFlashScenarioBase::Pause() {
    const Ref<IWidget> self(this);
    TAbstractWidget::Pause();
    FinishAnimation();
}

void TFlashScenarioBase::FinishAnimation() {
    const Ref<IWidget> self(this);
    if (const Ref<IWidget> linked = linkedWidget_.Lock()) {
        const int32_t count = std::min(trackCount_, kMaxTracks);
        for (int32_t i = 0; i < count; ++i) {
            const TFlashPropertyTrack& track = tracks_[size_t(i)];
            // A track the run never reached has no end value to set.
            if (track.name.empty() || track.endValue.IsUnassigned()) continue;
            try {
                linked->SetProperty(track.name, track.endValue);
            } catch (const Exception&) {
                // The other tracks still end.
            }
        }
        if (hideOnEnd_) linked->SetVisible(false);
    }
    linkedWidget_ = nullptr;
    running_ = false;
    if (!nextAction_.empty()) DispatchNextAction();
}

void TFlashScenarioBase::DispatchNextAction() {
    const TChainDepth depth;
    if (depth.TooDeep()) {
        Log("WIDGET", DescribeWidget(*this) + ": the next action \"" + nextAction_ +
                          "\" comes back round without time passing; the chain stops here");
        return;
    }
    // A copy: the action may restart this very widget.
    const std::string action = nextAction_;
    if (action == "closegamescreen" || StartsWith(action, "showgamescreen")) {
        // The screen passes both on to the game; a refusal changes nothing here.
        IWidgetOwner* owner = GetOwner();
        const Ref<IEventHandler> screen = owner ? owner->GetEventHandler() : nullptr;
        if (!screen) return;
        if (action == "closegamescreen") {
            screen->CloseGameScreen(nullptr);
        } else {
            screen->ShowGameScreen(TextAfterColon(action), nullptr);
        }
        return;
    }
    if (RunNextAction(action)) return;
    ApplyWidgetList(*this, action, true);
}

Ref<IWidget> TFlashScenarioBase::WidgetAt(int32_t x, int32_t y) {
    (void)x;
    (void)y;
    return mouseStop_ && running_ ? Ref<IWidget>(this) : nullptr;
}

bool TFlashScenarioBase::HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) {
    const Ref<IWidget> self(this);
    const bool handled = TAbstractWidget::HandleEvent(code, x, y, shift);
    if (!mouseStop_) return handled;
    if (IsButtonDown(code)) {
        pressed_ = true;
    } else if (IsButtonUp(code) && pressed_) {
        Pause();
    }
    return handled;
}

// ---------------------------------------------------------------------------
// TFlashScenarioControl

void TFlashScenarioControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TFlashScenarioBase::LoadFrom(storage);
    commandParams_ = ReadString(storage, "command_params", "");
}

bool TFlashScenarioControl::RunNextAction(const std::string& action) {
    if (!StartsWith(action, "execute_command")) return false;
    ExecuteNextCommand();
    return true;
}

void TFlashScenarioControl::ExecuteNextCommand() {
    const Ref<IWidget> self(this);
    int32_t command = -1;
    if (!StrictInt32(TextAfterColon(GetNextAction()), command)) command = -1;
    if (command == -1) return;
    std::string path;
    try {
        const Variant name = GetProperty("control_name");
        if (!name.IsUnassigned()) path = name.ToString();
    } catch (const Exception&) {
        return;
    }
    // Without a name the path would be the control itself, which is no target.
    if (path.empty()) return;
    const Ref<IWidget> target = FindWidget(path);
    if (!target) return;
    Ref<IParamCollection> params;
    if (!commandParams_.empty()) {
        params = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        TTwoArrayOfString pairs;
        SplitParams(commandParams_, pairs, '\\', '=');
        for (const auto& pair : pairs) {
            const Ref<TParam> param = CreateObject<TParam>();
            param->SetName(UpperAsciiString(pair[0]));
            param->SetValue(Variant(pair[1]));
            params->Add(param);
        }
    }
    target->ExecuteCommand(command, params);
}
