#ifndef BMSIM_EVENTS_H
#define BMSIM_EVENTS_H
// The events a bmsim run can deliver between frames: clicks, drags, key presses, typed text,
// menu choices, pictures of the screen and changes of view.

#include <map>
#include <string>
#include <vector>

#include "XPLMDefs.h"

namespace bmsim {

struct Event {
    enum Kind { Click, Drag, Key, Type, Menu, Screenshot, View } kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    char key = 0;
    unsigned char virtualKey = 0;
    XPLMKeyFlags modifiers = 0;
    std::string text;  // typed text, menu path, picture file or view name
};

// Parses "click=X,Y", "drag=X1,Y1:X2,Y2", "key=KEY", "type=TEXT", "menu=PATH", "screenshot=FILE"
// or "view=NAME" (one of bmhost::ViewNames()).
// Returns false with `error` set when the text is not one of them.
bool ParseEvent(const std::string& text, Event* event, std::string* error);

// A key such as "F8", "a", "shift+ctrl+numpad_eq": modifiers shift, alt, ctrl, then the name of
// an XPLM_VK_ key without its prefix (any case) or one letter or digit.
bool ParseKey(const std::string& keyText, Event* event, std::string* error);

// Delivers one event; returns a line to print, or an empty text.
std::string Deliver(const Event& event);

}  // namespace bmsim

#endif
