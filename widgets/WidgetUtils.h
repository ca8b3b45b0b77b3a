// Free routines over widgets: the path splitter, cloning through the storage
// form, screen coordinates of a widget, and pixel-exact overlap tests.
//
// Failures: nothing here raises. Null widgets give empty answers (0, false,
// an empty rectangle); a text that is not XML, names no registered widget
// class or does not load gives a null widget and one line in the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/GameInterfaces.h"

// Cuts a widget path at its first "/": "a/b/c" gives "a" and "b/c", "a/" and
// "a" give "a" and "", "" gives "" and "". A path that begins with "/" gives
// the head "/" (which no widget resolves) and the rest after it. The pieces
// view into path.
void SplitWidgetPath(std::string_view path, std::string_view& head, std::string_view& rest);

// The path of names from root down to widget, as root's FindWidget takes it
// ("group/button"); root's own name when widget is root, empty when widget is
// null or not in root's tree.
std::string WidgetPathBelow(const Ref<IWidget>& root, const Ref<IWidget>& widget);

// The same path from the root of the widget's tree (a screen's window).
std::string WidgetPathInTree(const Ref<IWidget>& widget);

// The storage text of a persistent object saved under a root element
// "widget"; empty for a null or non-persistent object, or when saving fails
// (logged).
std::string WidgetToXMLText(const Ref<IInterface>& source);
// A new widget of the registered "type" of the text's root element, named by
// its "name" and loaded from it.
Ref<IWidget> WidgetFromXMLText(std::string_view text);
// A new, unattached widget of the same class with everything the class
// stores; null for null or when the class cannot be made from its "type".
Ref<IWidget> CloneWidget(const Ref<IWidget>& source);

// The widget's bounds in screen coordinates; (0, 0, 0, 0) for null.
TRect GetWidgetScreenBounds(const Ref<IWidget>& widget);
// A point of the widget's owner's content in screen coordinates; (0, 0) for
// null.
TPoint WidgetLocalToScreen(const Ref<IWidget>& widget, int32_t x, int32_t y);

// Whether a pixel covered in both snapshots (alpha not 0) lies where rectA and
// rectB, the places of a and b in one coordinate system, intersect. False
// when either widget is null, the rectangles do not intersect, or a widget
// has no snapshot; a place larger than its snapshot counts as transparent
// beyond it. Two snapshots per call: for occasional checks only.
bool WidgetsOverlap(const Ref<IWidget>& a, const TRect& rectA, const Ref<IWidget>& b,
                    const TRect& rectB);
// The number of such pixels; 0 in the same cases.
int32_t CountOverlappingPixels(const Ref<IWidget>& a, const TRect& rectA, const Ref<IWidget>& b,
                               const TRect& rectB);
