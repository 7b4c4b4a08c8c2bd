// Scripts building widgets through the built plug-in: the widget modules, widget callbacks in
// Python, widget objects, the message records, and widgets that scripts leave behind.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPStandardWidgets.h"
#include "XPWidgetDefs.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

const char kImports[] =
    "from __future__ import print_function\n"
    "from XPLMDefs import *\nfrom XPWidgetDefs import *\nfrom XPWidgets import *\n"
    "from XPStandardWidgets import *\nfrom XPUIGraphics import *\nfrom XPWidgetUtils import *\n";

// A script whose XPluginStart runs `start`; `methods` follow as the class's other methods.
std::string Script(const std::string& tag, const std::string& start, const std::string& methods = "") {
    return std::string(kImports) + "class Brindlemoor:\n    def XPluginStart(self):\n" + start +
           "        return '" + tag + "', 'sig." + tag + "', ''\n" + methods;
}

// The script's printed lines that begin with `prefix`.
Lines_t Printed(const bmtest::SimFolder& sim, const std::string& prefix) {
    Lines_t picked;
    for (const std::string& line : Lines(sim.Output()))
        if (line.compare(0, prefix.size(), prefix) == 0) picked.push_back(line);
    return picked;
}

TEST(Widgets, ACustomWidgetHearsOfItsCreationOnceItsRecordExists) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_W.py", Script("W", R"(
        self.Func = self.Custom
        self.W = XPCreateCustomWidget(self, 100, 300, 300, 100, 1, 'Custom', 1, 0, self.Func)
        print('id', self.W > 0xFFFFFFFF, XPFindRootWidget(self.W) == self.W)
        print('sent', XPSendMessageToWidget(self.W, xpMsg_UserStart, xpMode_Direct, 0xB700000000001, -1))
)",
                                    R"(
    def Custom(self, message, widget, param1, param2):
        if message in (xpMsg_Create, xpMsg_UserStart):
            print('msg', message, widget == getattr(self, 'W', widget), param1, param2)
        return 1 if message == xpMsg_UserStart else 0
)"));
    LoadBrindlemoor(true);
    // The creation message the library sends during the call found no record: only the one the
    // module sends afterwards, with param1 1, reaches the script. Parameters keep all 64 bits.
    EXPECT_EQ(Printed(sim, "msg"), (Lines_t{"msg 1 True 1 0", "msg 10000 True 3219370046128129 -1"}));
    EXPECT_EQ(Printed(sim, "id"), (Lines_t{"id True True"}));
    EXPECT_EQ(Printed(sim, "sent"), (Lines_t{"sent 1"}));
}

TEST(Widgets, EveryScriptCallbackOfAWidgetHearsEachMessageOnceNewestFirst) {
    bmtest::SimFolder sim;
    // Three callbacks of the first script on its widget; the second script may send the widget
    // messages, but not add a callback to it (answered as for an unknown widget).
    sim.AddScript("BM_A.py", Script("A", R"(
        self.W = XPCreateWidget(100, 300, 300, 100, 1, 'Shared', 1, 0, xpWidgetClass_SubWindow)
        self.First = lambda *m: self.Heard('A1', *m)
        self.Second = lambda *m: self.Heard('A2', *m)
        self.Third = lambda *m: self.Heard('A3', *m)
        XPAddWidgetCallback(self, self.W, self.First)
        XPAddWidgetCallback(self, self.W, self.Second)
        XPAddWidgetCallback(self, self.W, self.Third)
        import __main__
        __main__.shared_widget = self.W
)",
                                    R"(
    def Heard(self, who, message, widget, param1, param2):
        if message >= xpMsg_UserStart:
            print('heard', who, message - xpMsg_UserStart)
        return 1 if who == 'A3' and message == xpMsg_UserStart + 3 else 0
)"));
    sim.AddScript("BM_B.py", Script("B", R"(
        import __main__
        self.Func = self.Heard
        print('added', XPAddWidgetCallback(self, __main__.shared_widget, self.Func))
        print('direct', XPSendMessageToWidget(__main__.shared_widget, xpMsg_UserStart + 1, xpMode_Direct, 0, 0))
        print('once', XPSendMessageToWidget(__main__.shared_widget, xpMsg_UserStart + 2, xpMode_Once, 0, 0))
        print('all', XPSendMessageToWidget(__main__.shared_widget, xpMsg_UserStart + 3, xpMode_DirectAllCallbacks, 0, 0))
)",
                                    R"(
    def Heard(self, message, widget, param1, param2):
        print('heard B', message - xpMsg_UserStart)
        return 1
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Printed(sim, "heard"), (Lines_t{"heard A3 1", "heard A2 1", "heard A1 1",  // nobody handles it
                                              "heard A3 2",                                 // the newest only
                                              "heard A3 3", "heard A2 3", "heard A1 3"}));  // all, though A3 handled it
    EXPECT_EQ(Printed(sim, "added"), (Lines_t{"added 1"}));
    EXPECT_EQ(Printed(sim, "direct"), (Lines_t{"direct 0"}));
    EXPECT_EQ(Printed(sim, "all"), (Lines_t{"all 1"}));
}

TEST(Widgets, ClicksAndTypingReachTheScriptsWindowCallback) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_S.py", Script("S", R"(
        self.Window = XPCreateWidget(100, 400, 400, 100, 1, 'Window', 1, 0, xpWidgetClass_MainWindow)
        self.Push = XPCreateWidget(120, 380, 200, 360, 1, 'Push', 0, self.Window, xpWidgetClass_Button)
        self.Check = XPCreateWidget(120, 340, 140, 320, 1, 'Check', 0, self.Window, xpWidgetClass_Button)
        XPSetWidgetProperty(self.Check, xpProperty_ButtonBehavior, xpButtonBehaviorCheckBox)
        self.Field = XPCreateWidget(120, 300, 300, 280, 1, 'ab', 0, self.Window, xpWidgetClass_TextField)
        self.Handler = self.Heard
        XPAddWidgetCallback(self, self.Window, self.Handler)
)",
                                    R"(
    def Heard(self, message, widget, param1, param2):
        names = {self.Push: 'push', self.Check: 'check', self.Field: 'field'}
        if message == xpMsg_PushButtonPressed:
            print('pressed', names[param1], param2)
        elif message == xpMsg_ButtonStateChanged:
            print('state', names[param1], param2, XPGetWidgetProperty(param1, xpProperty_ButtonState, None))
        elif message == xpMsg_TextFieldChanged:
            text = []
            XPGetWidgetDescriptor(param1, text, 100)
            print('text', names[param1], text[0])
        else:
            return 0
        return 1
)"));
    LoadBrindlemoor(true);
    bmhost::Click(150, 370);
    bmhost::Click(130, 330);
    bmhost::Click(130, 330);
    bmhost::Click(290, 290);  // the caret goes to the end of the text
    bmhost::TypeText("cD");
    bmhost::PressKey(8, XPLM_VK_BACK);
    EXPECT_EQ(Printed(sim, "pressed"), (Lines_t{"pressed push 0"}));
    EXPECT_EQ(Printed(sim, "state"), (Lines_t{"state check 1 1", "state check 0 0"}));
    EXPECT_EQ(Printed(sim, "text"), (Lines_t{"text field abc", "text field abcD", "text field abc"}));
}

TEST(Widgets, AWidgetThatDestroysItselfInItsOwnCallbackKeepsItsCallableToTheEnd) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_D.py", Script("D", R"(
        self.Func = self.Custom
        self.W = XPCreateCustomWidget(self, 100, 300, 300, 100, 1, 'Doomed', 1, 0, self.Func)
)",
                                    R"(
    def Custom(self, message, widget, param1, param2):
        if message == xpMsg_UserStart:
            del self.Func  # the registry's reference is the last one now
            print('destroyed', XPDestroyWidget(self, widget, 1))
            print('after', message, XPCountChildWidgets(widget))
            return 1
        return 0
)"));
    LoadBrindlemoor(true);
    XPWidgetID widget = bmhost::FindWidget("Doomed");
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(XPSendMessageToWidget(widget, xpMsg_UserStart, xpMode_Direct, 0, 0), 1);
    EXPECT_EQ(Printed(sim, "destroyed"), (Lines_t{"destroyed 1"}));
    EXPECT_EQ(Printed(sim, "after"), (Lines_t{"after 10000 0"}));
    EXPECT_EQ(bmhost::FindWidget("Doomed"), nullptr);
    EXPECT_EQ(XPSendMessageToWidget(widget, xpMsg_UserStart, xpMode_Direct, 0, 0), 0);
}

TEST(Widgets, GeometryDescriptorsAndProperties) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_G.py", Script("G", R"(
        w = XPCreateWidget(100, 300, 300, 100, 1, 'A descriptor', 1, 0, xpWidgetClass_SubWindow)
        left, top = [], [7]
        print('geometry', XPGetWidgetGeometry(w, left, top, None, None), left, top)
        print('none', XPGetWidgetGeometry(w, None, None, None, None))
        texts = []
        print('descriptor', XPGetWidgetDescriptor(w, None, 0), XPGetWidgetDescriptor(w, texts, 6),
              XPGetWidgetDescriptor(w, texts, 100), XPGetWidgetDescriptor(w, texts, 0), texts)
        print('huge', XPGetWidgetDescriptor(w, texts, 2000000000), len(texts))
        XPSetWidgetProperty(w, xpProperty_UserStart, 0xB700000000001)
        exists = []
        print('property', XPGetWidgetProperty(w, xpProperty_UserStart, 0),
              XPGetWidgetProperty(w, xpProperty_UserStart + 1, exists), exists)
        try:
            XPGetWidgetProperty(w, xpProperty_UserStart, 1)
        except TypeError as e:
            print('refused', e)
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Printed(sim, "geometry"), (Lines_t{"geometry 1 [100] [300]"}));
    EXPECT_EQ(Printed(sim, "none"), (Lines_t{"none 1"}));
    EXPECT_EQ(Printed(sim, "descriptor"),
              (Lines_t{"descriptor 12 12 12 12 ['A des', 'A descriptor', '']"}));
    EXPECT_EQ(Printed(sim, "huge"), (Lines_t{"huge 12 4"}));
    EXPECT_EQ(Printed(sim, "property"), (Lines_t{"property 3219370046128129 0 [0]"}));
    EXPECT_EQ(Printed(sim, "refused"),
              (Lines_t{"refused XPGetWidgetProperty: pass 0 or None, or a list to learn whether the property exists"}));
}

TEST(Widgets, ObjectsAreKeptPerScriptAndGoWithTheirWidgets) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_O.py", Script("O", R"(
        import __main__
        self.Parent = XPCreateWidget(100, 300, 300, 100, 1, 'Parent', 1, 0, xpWidgetClass_MainWindow)
        self.Child = XPCreateWidget(110, 290, 200, 200, 1, 'Child', 0, self.Parent, xpWidgetClass_Caption)
        self.Other = XPCreateWidget(400, 300, 500, 100, 1, 'Other', 1, 0, xpWidgetClass_MainWindow)
        SetWidgetObject(self, self.Parent, 'parent object')
        SetWidgetObject(self, self.Child, 'first child object')
        SetWidgetObject(self, self.Child, 'child object')
        SetWidgetObject(self, self.Other, 'other object')
        __main__.o_widgets = (self.Parent, self.Child)
)",
                                    R"(
    def XPluginEnable(self):
        print('objects', GetWidgetObject(self, self.Parent), GetWidgetObject(self, self.Child),
              GetWidgetObject(self, 12345))
        print('destroy', XPDestroyWidget(self, self.Parent, 1), XPCountChildWidgets(self.Parent))
        print('after', GetWidgetObject(self, self.Parent), GetWidgetObject(self, self.Child),
              GetWidgetObject(self, self.Other))
        import __main__
        print('theirs', GetWidgetObject(self, __main__.p_widget))
        return 1
)"));
    sim.AddScript("BM_P.py", Script("P", R"(
        import __main__
        parent, child = __main__.o_widgets
        SetWidgetObject(self, child, 'P object')
        __main__.p_widget = child
        print('mine', GetWidgetObject(self, child), GetWidgetObject(self, parent))
)",
                                    R"(
    def XPluginEnable(self):
        import __main__
        print('kept', GetWidgetObject(self, __main__.p_widget))
        return 1
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Printed(sim, "mine"), (Lines_t{"mine P object None"}));
    EXPECT_EQ(Printed(sim, "objects"), (Lines_t{"objects parent object child object None"}));
    EXPECT_EQ(Printed(sim, "destroy"), (Lines_t{"destroy 1 0"}));
    // The parent and its child went, with the script's objects of those two only; the other
    // script's object of the child stays its own business.
    EXPECT_EQ(Printed(sim, "after"), (Lines_t{"after None None other object"}));
    EXPECT_EQ(Printed(sim, "theirs"), (Lines_t{"theirs None"}));
    EXPECT_EQ(Printed(sim, "kept"), (Lines_t{"kept P object"}));
}

TEST(Widgets, MessageRecordsAreReadOnlyWhileTheirMessageIsHandled) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_K.py", Script("K", R"(
        self.Func = self.Custom
        self.W = XPCreateCustomWidget(self, 100, 300, 300, 100, 1, 'Keys', 1, 0, self.Func)
        self.Kept = None
        print('focus', XPSetKeyboardFocus(self.W) == self.W)
)",
                                    R"(
    def Custom(self, message, widget, param1, param2):
        if message == xpMsg_KeyTakeFocus:
            return 1
        if message == xpMsg_KeyPress:
            print('key', BM_GetKeyState(param1))
            self.Kept = param1
            try:
                BM_GetMouseState(param1)
            except ValueError as e:
                print('kind', e.__class__.__name__)
            return 1
        if message == xpMsg_MouseDown:
            print('mouse', BM_GetMouseState(param1))
            try:
                BM_GetKeyState(self.Kept)
            except ValueError as e:
                print('stale', str(e).startswith('BM_GetKeyState: '))
            return 1
        if message == xpMsg_Reshape:
            print('reshape', param1 == self.W, BM_GetWidgetGeometryChange(param2))
        return 0
)"));
    LoadBrindlemoor(true);
    bmhost::KeyEvent(char(0xE9), xplm_DownFlag, 0x41);
    bmhost::Click(150, 200);
    XPWidgetID widget = bmhost::FindWidget("Keys");
    ASSERT_NE(widget, nullptr);
    XPSetWidgetGeometry(widget, 110, 320, 330, 100);
    EXPECT_EQ(Printed(sim, "focus"), (Lines_t{"focus True"}));
    // The key byte 0xE9 is the signed char -23, as in the record.
    EXPECT_EQ(Printed(sim, "key"), (Lines_t{"key (-23, 8, 65)"}));
    EXPECT_EQ(Printed(sim, "kind"), (Lines_t{"kind ValueError"}));
    EXPECT_EQ(Printed(sim, "mouse"), (Lines_t{"mouse (150, 200, 0)"}));
    EXPECT_EQ(Printed(sim, "stale"), (Lines_t{"stale True"}));
    EXPECT_EQ(Printed(sim, "reshape"), (Lines_t{"reshape True (10, 20, 20, 20)"}));
}

TEST(Widgets, UtilitiesAndGraphicsFromScripts) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_U.py", Script("U", R"(
        ids = ['kept']
        table = [[100, 400, 300, 200, 1, 'Window', 1, NO_PARENT, xpWidgetClass_MainWindow],
                 [110, 380, 200, 360, 1, 'Button', 0, 0, xpWidgetClass_Button]]
        print('create', XPUCreateWidgets(table, 2, 0, ids), len(ids), XPGetParentWidget(ids[2]) == ids[1])
        for bad in ([table, 3, 0, []], [[table[0][:8]], 1, 0, []], [[[0] * 9], 1, 0, []]):
            try:
                XPUCreateWidgets(*bad)
            except (TypeError, ValueError) as e:
                print('bad', e)
        print('move', XPUMoveWidgetBy(ids[1], 10, -5), XPGetWidgetGeometry(ids[1], [], [], None, None))
        print('metrics', XPGetTrackMetrics(0, 0, 20, 200, 0, 10, 5, xpTrack_ScrollBar))
        print('track', XPGetTrackDefaultDimensions(xpTrack_ScrollBar))
        width, height = [], []
        print('window', XPGetWindowDefaultDimensions(xpWindow_MainWindow, width, None), len(width))
)"));
    bmhost::FailNextCall("XPGetTrackMetrics");
    LoadBrindlemoor(true);
    EXPECT_EQ(Printed(sim, "create"), (Lines_t{"create (1,) 3 True"}));
    EXPECT_EQ(Printed(sim, "bad"), (Lines_t{"bad XPUCreateWidgets: count 3, but 2 definitions",
                                            "bad XPUCreateWidgets: definition 0 must be a list of nine items",
                                            "bad XPUCreateWidgets: item 5 of definition 0, the descriptor, must be a text"}));
    EXPECT_EQ(Printed(sim, "move"), (Lines_t{"move 1 1"}));
    // The failed call is reported and answers the plain 0 instead of six numbers.
    EXPECT_EQ(Printed(sim, "metrics"), (Lines_t{"metrics 0"}));
    EXPECT_EQ(Count(sim.Log(), "Module - XPUIGraphics, Function - XPGetTrackMetrics, Error = Function Error"), 1u);
    ASSERT_EQ(Printed(sim, "track").size(), 1u);
    EXPECT_EQ(Printed(sim, "window"), (Lines_t{"window 1 1"}));
}

TEST(Widgets, WhatScriptsLeaveBehindGoesWithTheInterpreter) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_L.py", Script("L", R"(
        self.Func = self.Custom
        self.W = XPCreateCustomWidget(self, 100, 300, 300, 100, 1, 'Left', 1, 0, self.Func)
        XPCreateWidget(110, 290, 200, 200, 1, 'Child', 0, self.W, xpWidgetClass_Caption)
        XPCreateWidget(400, 300, 500, 100, 1, 'Gone', 1, 0, xpWidgetClass_MainWindow)
        XPCreateWidget(600, 300, 700, 100, 1, 'Floating', 0, 0, xpWidgetClass_MainWindow)
)",
                                    R"(
    def Custom(self, message, widget, param1, param2):
        if message == xpMsg_Destroy:
            print('destroyed', param1)
        return 0
    def XPluginStop(self):
        import XPWidgets
        XPWidgets.XPDestroyWidget(self, XPWidgets.XPGetNthChildWidget(self.W, 0), 0)
)"));
    XPLMPluginID id = LoadBrindlemoor(true);
    EXPECT_EQ(bmhost::WidgetCount(id), 4);
    bmhost::UnloadPlugins();
    EXPECT_EQ(bmhost::WidgetCount(), 0);
    EXPECT_EQ(Printed(sim, "destroyed"), Lines_t{});  // the script had stopped by then
}

}  // namespace
