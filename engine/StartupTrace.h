// The start-up trace: with QM_STARTUP_TRACE set (to anything but "0") in the
// environment, each step from the program's start to the main screen's first
// frame writes a log line, module "STARTUP", with the milliseconds since the
// program began:
//
//   quillmarch: STARTUP: 212.4 ms: the first frame is presented
//
// The first line gives the time the process spent before main (loading the
// shared libraries), as far as the system's clock ticks tell it. Without the
// variable every call is one test of a flag.
#pragma once

#include <string_view>

// Reads the environment and starts the clock; main's first step.
void StartupTraceBegin();
bool StartupTraceOn();
// One step, timed.
void StartupTrace(std::string_view step);
// The last step: no line follows it.
void StartupTraceEnd(std::string_view step);
// A step written when the next frame has been presented; the last one when
// last is set. The engine calls StartupTracePresented after each frame.
void StartupTraceAtPresent(std::string_view step, bool last = false);
void StartupTracePresented();
