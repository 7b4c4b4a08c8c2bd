#ifndef BMSIM_EVENTS_H
#define BMSIM_EVENTS_H
// The events a bmsim run can deliver between frames: clicks, drags, key presses, typed text,
// menu choices, pictures of the screen, changes of view and commands.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "XPLMDefs.h"

namespace bmsim {

struct Event {
    enum Kind { Click, Drag, Key, Type, Menu, Screenshot, View, Command, Hold, Release, Map, MapScreenshot } kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    char key = 0;
    unsigned char virtualKey = 0;
    XPLMKeyFlags modifiers = 0;
    std::string text;  // typed text, menu path, picture file, view or command name, map action
    int frames = 0;    // a hold: the frames until the command is let go again
};

// Parses "click=X,Y", "drag=X1,Y1:X2,Y2", "key=KEY", "type=TEXT", "menu=PATH", "screenshot=FILE"
// "view=NAME" (one of bmhost::ViewNames()), "command=NAME", "hold=NAME:M" (M at
// least 1) or "map=open" / "map=close" (the user interface's map; "map=open:XPLM_MAP_IOS" the
// instructor station's). Command names are checked when the event comes: plug-ins create commands.
// Returns false with `error` set when the text is not one of them.
bool ParseEvent(const std::string& text, Event* event, std::string* error);

// A key such as "F8", "a", "shift+ctrl+numpad_eq": modifiers shift, alt, ctrl, then the name of
// an XPLM_VK_ key without its prefix (any case) or one letter or digit.
bool ParseKey(const std::string& keyText, Event* event, std::string* error);

// Delivers one event; returns a line to print, or an empty text. For every event but a
// screenshot, a line tells that the event did nothing: a menu path that chooses no enabled item,
// a command the simulator does not know ("bmsim: no command NAME"), a click or drag whose mouse
// down no window or widget took, a map that was open (closed) already. A MapScreenshot event
// (bmsim's --map-screenshot) writes the picture of the user interface's map. A hold begins the command; bmsim delivers its Release event
// (the same name) FRAMES frames later.
std::string Deliver(const Event& event);

// The events of a run, by frame. A frame's events are delivered once, when it comes, and then
// forgotten: a run of any length keeps only the events still to come.
class Schedule {
public:
    void Add(int frame, const Event& event) { byFrame_[frame].push_back(event); }
    // Delivers the frame's events in order, calling `after` with each event and the line Deliver
    // answered. A hold that began is let go of its FRAMES frames later.
    void DeliverFrame(int frame, const std::function<void(const Event&, const std::string&)>& after);
    // The frames after `frame` that still have events, in order.
    std::vector<int> FramesAfter(int frame) const;
    std::size_t PendingFrames() const { return byFrame_.size(); }

private:
    std::map<int, std::vector<Event>> byFrame_;
};

}  // namespace bmsim

#endif
