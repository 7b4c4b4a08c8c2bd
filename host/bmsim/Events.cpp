#include "Events.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "bmhost/Control.h"

namespace bmsim {

namespace {

struct NamedKey {
    const char* name;
    unsigned char vkey;
    char character;
};

const NamedKey kNamedKeys[] = {
    {"back", 0x08, 8},        {"tab", 0x09, 9},          {"clear", 0x0C, 0},        {"return", 0x0D, 13},
    {"escape", 0x1B, 27},     {"space", 0x20, ' '},      {"prior", 0x21, 0},        {"next", 0x22, 0},
    {"end", 0x23, 0},         {"home", 0x24, 0},         {"left", 0x25, 28},        {"up", 0x26, 30},
    {"right", 0x27, 29},      {"down", 0x28, 31},        {"select", 0x29, 0},       {"print", 0x2A, 0},
    {"execute", 0x2B, 0},     {"snapshot", 0x2C, 0},     {"insert", 0x2D, 0},       {"delete", 0x2E, 0},
    {"help", 0x2F, 0},        {"multiply", 0x6A, '*'},   {"add", 0x6B, '+'},        {"separator", 0x6C, 0},
    {"subtract", 0x6D, '-'},  {"decimal", 0x6E, '.'},    {"divide", 0x6F, '/'},     {"equal", 0xB0, '='},
    {"minus", 0xB1, '-'},     {"rbrace", 0xB2, ']'},     {"lbrace", 0xB3, '['},     {"quote", 0xB4, '\''},
    {"semicolon", 0xB5, ';'}, {"backslash", 0xB6, '\\'}, {"comma", 0xB7, ','},      {"slash", 0xB8, '/'},
    {"period", 0xB9, '.'},    {"backquote", 0xBA, '`'},  {"enter", 0xBB, 13},       {"numpad_ent", 0xBC, 13},
    {"numpad_eq", 0xBD, '='},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool ParsePoint(const std::string& text, int* x, int* y) {
    char extra;
    return std::sscanf(text.c_str(), "%d,%d%c", x, y, &extra) == 2;
}

std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

}  // namespace

bool ParseKey(const std::string& keyText, Event* event, std::string* error) {
    std::vector<std::string> parts;
    std::stringstream stream(keyText);
    for (std::string part; std::getline(stream, part, '+');) parts.push_back(part);
    if (parts.empty() || parts.back().empty()) {
        *error = "no key in '" + keyText + "'";
        return false;
    }
    event->modifiers = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        std::string modifier = Lower(parts[i]);
        if (modifier == "shift") event->modifiers |= xplm_ShiftFlag;
        else if (modifier == "alt" || modifier == "option") event->modifiers |= xplm_OptionAltFlag;
        else if (modifier == "ctrl" || modifier == "control") event->modifiers |= xplm_ControlFlag;
        else {
            *error = "unknown modifier '" + parts[i] + "'";
            return false;
        }
    }
    std::string name = Lower(parts.back());
    bool shift = event->modifiers & xplm_ShiftFlag;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        char c = name[0];
        event->virtualKey = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
        event->key = std::isalpha(static_cast<unsigned char>(c)) && shift ? char(std::toupper(c)) : c;
        return true;
    }
    int number = 0;
    char extra;
    if (name[0] == 'f' && std::sscanf(name.c_str() + 1, "%d%c", &number, &extra) == 1 && number >= 1 && number <= 24) {
        event->virtualKey = static_cast<unsigned char>(0x70 + number - 1);
        event->key = 0;
        return true;
    }
    if (name.rfind("numpad", 0) == 0 && name.size() == 7 && std::isdigit(static_cast<unsigned char>(name[6]))) {
        event->virtualKey = static_cast<unsigned char>(0x60 + (name[6] - '0'));
        event->key = name[6];
        return true;
    }
    for (const NamedKey& named : kNamedKeys) {
        if (name == named.name) {
            event->virtualKey = named.vkey;
            event->key = named.character;
            return true;
        }
    }
    *error = "unknown key '" + parts.back() + "'";
    return false;
}

bool ParseEvent(const std::string& text, Event* event, std::string* error) {
    std::size_t eq = text.find('=');
    std::string kind = text.substr(0, eq), value = eq == std::string::npos ? "" : text.substr(eq + 1);
    if (kind == "click") {
        event->kind = Event::Click;
        if (ParsePoint(value, &event->x1, &event->y1)) return true;
    } else if (kind == "drag") {
        event->kind = Event::Drag;
        std::size_t colon = value.find(':');
        if (colon != std::string::npos && ParsePoint(value.substr(0, colon), &event->x1, &event->y1) &&
            ParsePoint(value.substr(colon + 1), &event->x2, &event->y2))
            return true;
    } else if (kind == "key") {
        event->kind = Event::Key;
        return ParseKey(value, event, error);
    } else if (kind == "type" && !value.empty()) {
        event->kind = Event::Type;
        event->text = value;
        return true;
    } else if (kind == "menu" && !value.empty()) {
        event->kind = Event::Menu;
        event->text = value;
        return true;
    } else if (kind == "screenshot" && !value.empty()) {
        event->kind = Event::Screenshot;
        event->text = value;
        return true;
    } else if (kind == "command" && !value.empty()) {
        event->kind = Event::Command;
        event->text = value;
        return true;
    } else if (kind == "hold") {
        event->kind = Event::Hold;
        std::size_t colon = value.rfind(':');
        int frames = 0;
        char extra;
        if (colon != std::string::npos && colon > 0 &&
            std::sscanf(value.c_str() + colon + 1, "%d%c", &frames, &extra) == 1 && frames >= 1 && frames <= 1000000) {
            event->text = value.substr(0, colon);
            event->frames = frames;
            return true;
        }
        *error = "hold takes NAME:M (held for M frames, 1 or more), not '" + value + "'";
        return false;
    } else if (kind == "map") {
        event->kind = Event::Map;
        std::size_t colon = value.find(':');
        std::string action = value.substr(0, colon);
        std::string map = colon == std::string::npos ? "XPLM_MAP_USER_INTERFACE" : value.substr(colon + 1);
        if ((action == "open" || action == "close") && (map == "XPLM_MAP_USER_INTERFACE" || map == "XPLM_MAP_IOS")) {
            event->text = action + ":" + map;
            return true;
        }
        *error = "map takes open or close, then optionally :XPLM_MAP_USER_INTERFACE or :XPLM_MAP_IOS, not '" +
                 value + "'";
        return false;
    } else if (kind == "view") {
        event->kind = Event::View;
        event->text = value;
        std::vector<std::string> names = bmhost::ViewNames();
        if (std::find(names.begin(), names.end(), value) != names.end()) return true;
        std::string known;
        for (const std::string& name : names) known += (known.empty() ? "" : " ") + name;
        *error = "unknown view '" + value + "' (" + known + ")";
        return false;
    }
    *error = "not an event: '" + text + "' (click=X,Y drag=X1,Y1:X2,Y2 key=KEY type=TEXT menu=PATH screenshot=FILE"
             " view=NAME map=open map=close)";
    return false;
}

std::string Deliver(const Event& event) {
    switch (event.kind) {
        case Event::Click:
            if (bmhost::Click(event.x1, event.y1)) return "";
            return "bmsim: the click at " + Point(event.x1, event.y1) + " landed on nothing that takes clicks";
        case Event::Drag:
            if (bmhost::Drag(event.x1, event.y1, event.x2, event.y2)) return "";
            return "bmsim: the drag from " + Point(event.x1, event.y1) + " landed on nothing that takes clicks";
        case Event::Key:
            bmhost::PressKey(event.key, event.virtualKey, event.modifiers);
            return "";
        case Event::Type:
            bmhost::TypeText(event.text);
            return "";
        case Event::Menu:
            if (bmhost::ChooseMenuItem(event.text)) return "";
            return "bmsim: no enabled menu item " + event.text +
                   " (a / or \\ in an item's name is written \\/ or \\\\; bmsim --menus lists the paths)";
        case Event::Screenshot: {
            std::string error;
            if (!bmhost::SavePicture(event.text, &error)) return "bmsim: cannot write " + event.text + ": " + error;
            return "bmsim: picture of the screen in " + event.text;
        }
        case Event::MapScreenshot: {
            std::string error;
            if (!bmhost::SaveMapPicture(event.text, "XPLM_MAP_USER_INTERFACE", &error))
                return "bmsim: cannot write " + event.text + ": " + error;
            return "bmsim: picture of the map in " + event.text;
        }
        case Event::Map: {
            std::size_t colon = event.text.find(':');
            std::string action = event.text.substr(0, colon), map = event.text.substr(colon + 1);
            if (action == "open") return bmhost::OpenMap(map) ? "" : "bmsim: the map " + map + " is open already";
            return bmhost::CloseMap(map) ? "" : "bmsim: the map " + map + " is not open";
        }
        case Event::View:
            bmhost::ChangeView(event.text);
            return "";
        case Event::Command:
            return bmhost::RunCommand(event.text) ? "" : "bmsim: no command " + event.text;
        case Event::Hold:
            return bmhost::BeginCommand(event.text) ? "" : "bmsim: no command " + event.text;
        case Event::Release:
            return bmhost::EndCommand(event.text) ? "" : "bmsim: no command " + event.text + " held";
    }
    return "";
}

void Schedule::DeliverFrame(int frame, const std::function<void(const Event&, const std::string&)>& after) {
    auto due = byFrame_.find(frame);
    if (due == byFrame_.end()) return;
    std::vector<Event> events = std::move(due->second);
    byFrame_.erase(due);
    for (const Event& e : events) {
        std::string line = Deliver(e);
        after(e, line);
        if (e.kind == Event::Hold && line.empty()) {
            Event release = e;
            release.kind = Event::Release;
            Add(frame + e.frames, release);
        }
    }
}

std::vector<int> Schedule::FramesAfter(int frame) const {
    std::vector<int> frames;
    for (auto it = byFrame_.upper_bound(frame); it != byFrame_.end(); ++it) frames.push_back(it->first);
    return frames;
}

}  // namespace bmsim
