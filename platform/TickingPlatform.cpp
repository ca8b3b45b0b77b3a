#include "platform/TickingPlatform.h"

namespace {

// Events that give the engine nothing (exposures, key-map changes...) do not
// use up a tick; this many at most are skipped in one tick so that a flood of
// them still lets frames run.
constexpr int kMaxEventsPerTick = 256;

}  // namespace

TTickOutcome TTickingPlatform::Tick() {
    if (quitting_) return TTickOutcome::Quitting;
    PumpEvents();
    if (DeliverOneEvent()) return TTickOutcome::Event;
    if (quitting_) return TTickOutcome::Quitting;
    if (client_) client_->OnPlatformFrame();
    return TTickOutcome::Frame;
}

bool TTickingPlatform::DeliverOneEvent() {
    // Everything here is local so that a nested Tick from inside a delivered
    // event works on the same queue without disturbing this one.
    TPlatformEventList events;
    SDL_Event event;
    SDL_Event next;
    for (int taken = 0; taken < kMaxEventsPerTick && PopEvent(event); ++taken) {
        if (event.type == SDL_MOUSEMOTION) {
            // Only the latest of a run of moves matters; delivering it does not
            // use up the tick, or a fast mouse would stop the frames.
            ObserveEvent(event);
            while (PeekEvent(next) && next.type == SDL_MOUSEMOTION &&
                   next.motion.windowID == event.motion.windowID) {
                PopEvent(event);
                ObserveEvent(event);
            }
            translator_.Translate(event, nullptr, *this, events);
            Deliver(events);
            if (quitting_) return false;
            continue;
        }
        ObserveEvent(event);
        const SDL_Event* text = nullptr;
        if (event.type == SDL_KEYDOWN && TInputTranslator::TakesText(event.key) &&
            PeekEvent(next) && next.type == SDL_TEXTINPUT) {
            PopEvent(next);
            ObserveEvent(next);
            text = &next;
        }
        translator_.Translate(event, text, *this, events);
        if (events.empty()) continue;
        Deliver(events);
        return true;
    }
    return false;
}

void TTickingPlatform::Deliver(const TPlatformEventList& events) {
    for (const TPlatformEvent& e : events)
        if (client_) client_->OnPlatformEvent(e);
}
