// The input log: what the program did with each input, for whoever drives
// it from outside and must know that a click was taken before giving the
// next one. With QM_INPUT_LOG set in the environment (a file name, or "1"
// for standard error) the program writes, one line each:
//
//   mouse left-down 412 300 screen=GS_Main widget=button_start
//   mouse left-up 412 300 screen=GS_Main widget=button_start
//   key down 65 screen=GS_NewUser widget=edit_name
//   screens GS_Main GS_Map
//   top GS_Map ready
//
// "mouse" and "key" for every press, release and key the engine hands on
// and every move of a drag (a button held, "mouse move X Y ..."),
// with the screen on top when it came and the widget that took it (its path
// of names in the screen's window, "(screen)" when the screen itself acted
// on it, or "none"); "screens" with the stack, bottom first, whenever it
// changes; "top NAME ready" or "top NAME busy" at the end of the frame after
// each change of the stack and whenever the top screen starts or stops
// taking the mouse (busy while it is still arriving). Without the variable
// each call is one test of a flag.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

using TInputLogSink = std::function<void(std::string_view line)>;

// Opens the log named by QM_INPUT_LOG; nothing when it is unset or empty.
void OpenInputLogFromEnvironment();
// Sends the lines to sink (a test's own), or stops the log with an empty one.
void SetInputLogSink(TInputLogSink sink);
bool InputLogOn();
void InputLogLine(std::string_view line);

// While the engine hands one input to the game, the game says which screen
// was on top and which widget took it; the engine then writes the line.
void InputLogBeginEvent();
void InputLogNoteScreen(std::string_view name);
void InputLogNoteTaker(std::string_view widgetPath);
bool InputLogHasTaker();
// "screen=NAME widget=PATH" of the input being handed on.
std::string InputLogEventWhere();

// The words of a mouse code ("left-down", "right-double") and of a key kind.
std::string_view InputLogMouseWord(int32_t code);
std::string_view InputLogKeyWord(int32_t kind);
