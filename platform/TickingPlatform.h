// The tick both backends share: one pending event or one frame, over an SDL
// event queue the backend supplies (the real one, or a test's).
#pragma once

#include <SDL2/SDL_events.h>

#include "platform/InputTranslator.h"
#include "platform/Platform.h"

class TTickingPlatform : public IPlatform, protected IInputStateSource {
public:
    void SetClient(IPlatformClient* client) override { client_ = client; }
    TTickOutcome Tick() override;
    void QuitLoop() override { quitting_ = true; }
    bool QuitRequested() const override { return quitting_; }

protected:
    // Brings new events into the queue (no waiting).
    virtual void PumpEvents() = 0;
    // The first queued event, left in the queue; false when the queue is empty.
    virtual bool PeekEvent(SDL_Event& event) = 0;
    // Takes the first queued event; false when the queue is empty.
    virtual bool PopEvent(SDL_Event& event) = 0;
    // Sees every event just before it is translated (the headless backend
    // follows the pointer, buttons and modifiers with it).
    virtual void ObserveEvent(const SDL_Event&) {}

private:
    // Takes events until one gives the engine something; answers whether one
    // was delivered. Motion is merged and delivered without ending the search.
    bool DeliverOneEvent();
    void Deliver(const TPlatformEventList& events);

    IPlatformClient* client_ = nullptr;
    TInputTranslator translator_;
    bool quitting_ = false;
};
