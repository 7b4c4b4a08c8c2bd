// The text field: a one-line editor whose descriptor is its text.
//
// A click takes the keyboard focus and puts the caret at the character boundary nearest the
// pointer (characters are as wide as the field's font says); dragging selects. The selection is
// [SelStart, SelEnd); ActiveEditSide says which end moves with the caret (1: SelEnd). Keys act on
// their press and repeats: printable characters replace the selection (within MaxCharacters),
// Backspace and Delete remove it or the character before or after the caret, Left and Right move
// (Shift extends the selection), Home and Up go to the start, End and Down to the end. The
// releases of those keys are taken too; every other key (Return, Tab, Escape, keys with Control)
// passes on to the window and the simulator. Each change of the text sends
// xpMsg_TextFieldChanged up the hierarchy; a descriptor set by code sends none and only has the
// selection kept inside the new text.
#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "StandardWidgetSupport.h"
#include "XPLMGraphics.h"
#include "XPStandardWidgets.h"
#include "XPUIGraphics.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"

namespace bmhost::detail {
namespace {

using namespace widgets;

// Space between the box and the text.
constexpr int kMargin = 4;

struct Font {
    int id = xplmFont_Basic;
    int width = 1, height = 0;
};

Font FontOf(XPWidgetID widget) {
    Font font;
    font.id = int(Property(widget, xpProperty_Font, xplmFont_Basic));
    XPLMGetFontDimensions(font.id, &font.width, &font.height, nullptr);
    font.width = std::max(font.width, 1);
    return font;
}

// What the field holds: its text, the selection and the caret (one end of the selection).
struct Edit {
    std::string text;
    std::size_t start = 0, end = 0;
    bool caretAtEnd = true;
    std::size_t Caret() const { return caretAtEnd ? end : start; }
    std::size_t Anchor() const { return caretAtEnd ? start : end; }
    void Select(std::size_t anchor, std::size_t caret) {
        start = std::min(anchor, caret);
        end = std::max(anchor, caret);
        caretAtEnd = caret >= anchor;
    }
};

std::size_t Clamped(intptr_t value, std::size_t length) {
    return value <= 0 ? 0 : std::min(std::size_t(value), length);
}

Edit Read(XPWidgetID widget) {
    Edit edit;
    edit.text = Descriptor(widget);
    std::size_t a = Clamped(Property(widget, xpProperty_EditFieldSelStart), edit.text.size());
    std::size_t b = Clamped(Property(widget, xpProperty_EditFieldSelEnd), edit.text.size());
    edit.start = std::min(a, b);
    edit.end = std::max(a, b);
    edit.caretAtEnd = Property(widget, xpProperty_ActiveEditSide, 1) != 0;
    return edit;
}

// How many characters the box shows at once.
std::size_t VisibleCharacters(XPWidgetID widget, const Font& font) {
    Rect r = Geometry(widget);
    long long room = static_cast<long long>(r.right) - r.left - 2 * kMargin;
    return room > 0 ? std::size_t(room / font.width) : 0;
}

// Scrolls the text so that the caret is in view.
void ShowCaret(XPWidgetID widget, const Edit& edit) {
    std::size_t visible = VisibleCharacters(widget, FontOf(widget));
    std::size_t scroll = Clamped(Property(widget, xpProperty_ScrollPosition), edit.text.size());
    std::size_t caret = edit.Caret();
    std::size_t length = edit.text.size();
    scroll = std::min(scroll, length > visible ? length - visible : 0);  // no room left empty at the end
    if (caret < scroll) scroll = caret;
    else if (caret > scroll + visible) scroll = caret - visible;
    Update(widget, xpProperty_ScrollPosition, intptr_t(scroll));
}

void WriteSelection(XPWidgetID widget, const Edit& edit) {
    Update(widget, xpProperty_EditFieldSelStart, intptr_t(edit.start));
    Update(widget, xpProperty_EditFieldSelEnd, intptr_t(edit.end));
    Update(widget, xpProperty_ActiveEditSide, edit.caretAtEnd ? 1 : 0);
    ShowCaret(widget, edit);
}

// The character boundary shown nearest to x.
std::size_t CharacterAt(XPWidgetID widget, int x) {
    Font font = FontOf(widget);
    Rect r = Geometry(widget);
    std::size_t length = Descriptor(widget).size();
    std::size_t scroll = Clamped(Property(widget, xpProperty_ScrollPosition), length);
    long long offset = static_cast<long long>(x) - r.left - kMargin;
    std::size_t cells = offset <= 0 ? 0 : std::size_t((offset + font.width / 2) / font.width);
    return std::min(scroll + std::min(cells, VisibleCharacters(widget, font)), length);
}

void Draw(XPWidgetID widget) {
    Rect r = Geometry(widget);
    Font font = FontOf(widget);
    intptr_t type = Property(widget, xpProperty_TextFieldType, xpTextEntryField);
    if (type == xpTextEntryField) XPDrawElement(r.left, r.bottom, r.right, r.top, xpElement_TextField, 0);
    else if (type == xpTextTranslucent) XPLMDrawTranslucentDarkBox(r.left, r.top, r.right, r.bottom);

    Edit edit = Read(widget);
    std::size_t length = edit.text.size();
    std::string shown = Property(widget, xpProperty_PasswordMode) ? std::string(length, '*') : edit.text;
    std::size_t scroll = Clamped(Property(widget, xpProperty_ScrollPosition), length);
    std::size_t visible = VisibleCharacters(widget, font);
    bool focused = XPGetWidgetWithFocus() == widget;
    int textLeft = Sat(static_cast<long long>(r.left) + kMargin);
    // The x of a character boundary, within the part shown.
    auto xOf = [&](std::size_t index) {
        index = std::clamp(index, scroll, std::min(length, scroll + visible));
        return Sat(textLeft + static_cast<long long>(index - scroll) * font.width);
    };
    int low = Sat(static_cast<long long>(r.bottom) + 2), high = Sat(static_cast<long long>(r.top) - 2);
    if (focused && edit.start != edit.end) {
        XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0);
        glColor4f(0.45f, 0.62f, 0.95f, 1.0f);
        glBegin(GL_QUADS);
        glVertex2i(xOf(edit.start), low);
        glVertex2i(xOf(edit.end), low);
        glVertex2i(xOf(edit.end), high);
        glVertex2i(xOf(edit.start), high);
        glEnd();
    }
    const float* colour = type == xpTextEntryField ? kDarkText : kLightText;
    DrawText(colour, textLeft, Baseline(r.top, r.bottom, font.height), shown.substr(scroll, visible), font.id);
    if (focused) {
        XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0);
        glColor4f(colour[0], colour[1], colour[2], 1.0f);
        glBegin(GL_LINES);
        glVertex2i(xOf(edit.Caret()), low);
        glVertex2i(xOf(edit.Caret()), high);
        glEnd();
    }
}

enum class Key { Other, Character, Backspace, Delete, Left, Right, Start, End };

Key KindOf(const XPKeyState_t& key) {
    switch (static_cast<unsigned char>(key.vkey)) {
        case XPLM_VK_BACK: return Key::Backspace;
        case XPLM_VK_DELETE: return Key::Delete;
        case XPLM_VK_LEFT: return Key::Left;
        case XPLM_VK_RIGHT: return Key::Right;
        case XPLM_VK_HOME:
        case XPLM_VK_UP: return Key::Start;
        case XPLM_VK_END:
        case XPLM_VK_DOWN: return Key::End;
        default: break;
    }
    unsigned char c = static_cast<unsigned char>(key.key);
    if (c == 8) return Key::Backspace;
    if (c == 127) return Key::Delete;
    if (c >= 32 && c <= 126 && !(key.flags & xplm_ControlFlag)) return Key::Character;
    return Key::Other;
}

int KeyPress(XPWidgetID widget, const XPKeyState_t& key) {
    Key kind = KindOf(key);
    if (kind == Key::Other || !Enabled(widget)) return 0;
    if (key.flags & xplm_UpFlag) return 1;
    Edit edit = Read(widget);
    const std::string before = edit.text;
    std::size_t length = edit.text.size();
    bool extend = (key.flags & xplm_ShiftFlag) != 0;
    auto moveTo = [&](std::size_t caret) {
        if (extend) edit.Select(edit.Anchor(), caret);
        else edit.Select(caret, caret);
    };
    switch (kind) {
        case Key::Character: {
            intptr_t most = Property(widget, xpProperty_MaxCharacters);
            if (most > 0 && length - (edit.end - edit.start) + 1 > std::size_t(most)) return 1;
            edit.text.replace(edit.start, edit.end - edit.start, 1, key.key);
            edit.Select(edit.start + 1, edit.start + 1);
            break;
        }
        case Key::Backspace:
        case Key::Delete: {
            std::size_t from = edit.start, to = edit.end;
            if (from == to) {
                if (kind == Key::Backspace && from > 0) --from;
                else if (kind == Key::Delete && to < length) ++to;
            }
            edit.text.erase(from, to - from);
            edit.Select(from, from);
            break;
        }
        case Key::Left:
            if (!extend && edit.start != edit.end) moveTo(edit.start);
            else moveTo(edit.Caret() > 0 ? edit.Caret() - 1 : 0);
            break;
        case Key::Right:
            if (!extend && edit.start != edit.end) moveTo(edit.end);
            else moveTo(std::min(edit.Caret() + 1, length));
            break;
        case Key::Start: moveTo(0); break;
        case Key::End: moveTo(length); break;
        case Key::Other: break;
    }
    bool changed = edit.text != before;
    if (changed) XPSetWidgetDescriptor(widget, edit.text.c_str());
    WriteSelection(widget, edit);
    if (changed) Notify(widget, xpMsg_TextFieldChanged);
    return 1;
}

int Mouse(XPWidgetMessage message, XPWidgetID widget, const XPMouseState_t& mouse) {
    if (message == xpMsg_MouseDown) {
        if (!ExposedGeometry(widget).Contains(mouse.x, mouse.y)) return 0;
        if (!Enabled(widget)) return 1;
        XPSetKeyboardFocus(widget);
        std::size_t at = CharacterAt(widget, mouse.x);
        Edit edit = Read(widget);
        edit.Select(at, at);
        Update(widget, xpProperty_EditFieldSelDragStart, intptr_t(at));
        WriteSelection(widget, edit);
        return 1;
    }
    intptr_t anchor = Property(widget, xpProperty_EditFieldSelDragStart, -1);
    if (anchor < 0) return 1;
    Edit edit = Read(widget);
    edit.Select(Clamped(anchor, edit.text.size()), CharacterAt(widget, mouse.x));
    WriteSelection(widget, edit);
    if (message == xpMsg_MouseUp) Update(widget, xpProperty_EditFieldSelDragStart, -1);
    return 1;
}

}  // namespace

int TextFieldClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t) {
    switch (message) {
        case xpMsg_Create:
            Update(widget, xpProperty_EditFieldSelDragStart, -1);
            return 0;
        case xpMsg_Draw:
            Draw(widget);
            return 1;
        case xpMsg_KeyTakeFocus:
            return Enabled(widget) ? 1 : 0;
        case xpMsg_KeyPress:
            return param1 ? KeyPress(widget, *reinterpret_cast<XPKeyState_t*>(param1)) : 0;
        case xpMsg_MouseDown:
        case xpMsg_MouseDrag:
        case xpMsg_MouseUp:
            return param1 ? Mouse(message, widget, *reinterpret_cast<XPMouseState_t*>(param1)) : 0;
        case xpMsg_DescriptorChanged: {
            // Text set by code: the selection stays inside it.
            std::size_t length = Descriptor(widget).size();
            for (XPWidgetPropertyID id :
                 {xpProperty_EditFieldSelStart, xpProperty_EditFieldSelEnd, xpProperty_ScrollPosition}) {
                int exists = 0;
                intptr_t value = XPGetWidgetProperty(widget, id, &exists);
                intptr_t inside = intptr_t(Clamped(value, length));
                if (exists && inside != value) XPSetWidgetProperty(widget, id, inside);
            }
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace bmhost::detail
