# A menu of its own under Plugins, with two items; choosing one prints which.
# Try: bmsim --scripts examples --menu "Plugins/Menu example/Say hello"
from XPLMMenus import *

HELLO, TOGGLE = 1, 2


class Brindlemoor:
    def XPluginStart(self):
        self.Checked = False
        self.MenuHandlerCB = self.MenuHandler
        self.Item = XPLMAppendMenuItem(XPLMFindPluginsMenu(), "Menu example", 0, 1)
        self.Menu = XPLMCreateMenu(self, "Menu example", XPLMFindPluginsMenu(), self.Item, self.MenuHandlerCB, 7)
        XPLMAppendMenuItem(self.Menu, "Say hello", HELLO, 1)
        XPLMAppendMenuItem(self.Menu, "Toggle the check", TOGGLE, 1)
        XPLMCheckMenuItem(self.Menu, 1, xplm_Menu_Unchecked)
        return "Menu example", "brindlemoor.examples.menu", "A menu with two items."

    def XPluginStop(self):
        XPLMDestroyMenu(self, self.Menu)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def MenuHandler(self, menuRef, itemRef):
        if itemRef == HELLO:
            print("Menu: hello (menu ref %d)" % menuRef)
        elif itemRef == TOGGLE:
            self.Checked = not self.Checked
            XPLMCheckMenuItem(self.Menu, 1, xplm_Menu_Checked if self.Checked else xplm_Menu_Unchecked)
            print("Menu: the item is now %s" % ("checked" if self.Checked else "unchecked"))
