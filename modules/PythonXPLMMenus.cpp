// XPLMMenus: menus of a script's own, with selections delivered to a script callable.
//
// A script acts on its own menus and on the items it appended. Another script's menu, and the
// plug-in's own menu, are answered as an unknown menu is. Items a script appends to a menu that
// is no script's (the Plugins menu, another plug-in's) are records of the script: they go when
// it stops or reloads. There a script counts its own items apart, as the simulator counts each
// plug-in's apart: its first item is 0 whatever the plug-in and other scripts appended, and the
// item functions reach only the caller's items. Code that is no script's sees the plug-in's
// numbering.
#include <algorithm>
#include <vector>

#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "ScriptReport.h"
#include "WidgetStuff.h"
#include "XPLMMenus.h"

namespace {

const char kModule[] = "XPLMMenus";

const BM_Constant kConstants[] = {
    {"xplm_Menu_NoCheck", xplm_Menu_NoCheck},
    {"xplm_Menu_Unchecked", xplm_Menu_Unchecked},
    {"xplm_Menu_Checked", xplm_Menu_Checked},
};

// Whose a menu is, seen from the calling script.
enum class MenuOwner { Caller, Refused, Other };

MenuOwner OwnerOf(void* menu, PyObject* script = nullptr) {
    bool foreign = false;
    if (BM_OwnRecordOfHandle(BM_KindMenu, menu, script, &foreign)) return MenuOwner::Caller;
    return foreign || (menu && menu == BM_PluginMenu()) ? MenuOwner::Refused : MenuOwner::Other;
}

// The items scripts appended to menus that are no script's, to keep their indices right.
std::vector<_CallbackRecordStruct*>& Items() {
    static auto* items = new std::vector<_CallbackRecordStruct*>;
    return *items;
}

// The calling script's item of `menu` that it knows as `index` (its refcon), or null.
_CallbackRecordStruct* OwnItem(void* menu, int index) {
    for (_CallbackRecordStruct* record : Items())
        if (record->parent == menu && record->refcon == index && BM_CallerOwns(record)) return record;
    return nullptr;
}

// The calling script's item of `menu` with the highest index, or null.
_CallbackRecordStruct* LastOwnItem(void* menu) {
    _CallbackRecordStruct* last = nullptr;
    for (_CallbackRecordStruct* record : Items())
        if (record->parent == menu && BM_CallerOwns(record) && (!last || record->item > last->item)) last = record;
    return last;
}

// The item goes from the simulator; those after it in its menu move up one.
void RemoveItemRecord(_CallbackRecordStruct& record) {
    auto& items = Items();
    items.erase(std::remove(items.begin(), items.end(), &record), items.end());
    XPLMRemoveMenuItem(record.parent, record.item);
    for (_CallbackRecordStruct* other : items) {
        if (other->parent != record.parent) continue;
        if (other->item > record.item) --other->item;
        if (other->entry == record.entry && other->refcon > record.refcon) --other->refcon;
    }
}

// Records an item the running script appended at `index` of a menu that is no script's; the
// answer is the index the script knows it by (-1 for none).
int NoteItem(void* menu, int index) {
    PyObject* script = BM_RunningScriptObject();
    if (!script || index < 0) return index;
    int own = 0;
    for (_CallbackRecordStruct* record : Items()) own += record->parent == menu && BM_CallerOwns(record);
    Items().reserve(Items().size() + 1);
    _CallbackRecordStruct* record = nullptr;
    try {
        record = BM_Table().AddRecord(script, BM_KindMenuItem, nullptr, 0);
    } catch (...) {
        XPLMRemoveMenuItem(menu, index);  // a script being stopped appends nothing
        throw;
    }
    record->parent = menu;
    record->item = index;
    record->refcon = own;
    record->unregister = RemoveItemRecord;
    Items().push_back(record);
    return own;
}

// The plug-in's index of the item the caller knows as `index` in `menu`; false when the caller
// may not act on that item. Any item of the caller's own menu, its own items in a menu that is
// no script's; code that is no script's reaches any item but the plug-in's own menu's.
bool HostIndex(void* menu, int index, int* hostIndex) {
    *hostIndex = index;
    switch (OwnerOf(menu)) {
        case MenuOwner::Caller:
            return true;
        case MenuOwner::Refused:
            return false;
        case MenuOwner::Other:
            if (!BM_RunningScriptObject()) return true;
            if (_CallbackRecordStruct* record = OwnItem(menu, index)) {
                *hostIndex = record->item;
                return true;
            }
            return false;
    }
    return false;
}

PyObject* PY_XPLMFindPluginsMenu(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMFindPluginsMenu", BM_Zero, [] { return BM_IntFromHandle(XPLMFindPluginsMenu()); });
}

// Destroying a menu destroys the menus that hang from it: their records go with it, each after
// the menus that hang from it, however deep the script nested them.
void ForgetSubmenus(void* menu) {
    std::vector<void*> path{menu};  // from `menu` down to the menu whose submenus go next
    while (!path.empty()) {
        if (_CallbackRecordStruct* child = BM_Table().FindAnyRecord(BM_RecordKey::SubmenuOf(path.back()))) {
            path.push_back(child->handle);
            continue;
        }
        void* done = path.back();
        path.pop_back();
        if (path.empty()) break;
        if (_CallbackRecordStruct* record = BM_Table().RecordOfHandle(BM_KindMenu, done)) BM_Table().ForgetRecord(record);
    }
}

// The submenus' records go only once the simulator has destroyed them with their parent.
void DestroyMenuRecord(_CallbackRecordStruct& record) {
    XPLMDestroyMenu(record.handle);
    ForgetSubmenus(record.handle);
}

// The simulator holds the menu's record as its menu ref; the script's menu ref is in the record.
PyObject* PY_XPLMCreateMenu(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    const char* name;
    Py_ssize_t parent, menuRef;
    int parentItem;
    const char* function = "XPLMCreateMenu";
    if (!BM_ParseTuple(args, "Os" BM_H "iO" BM_H, &script, &name, &parent, &parentItem, &callable, &menuRef))
        return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the menu handler")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        // It hangs from an item of the script's own menu, or from one of its own items.
        if (parent && !HostIndex(BM_Handle(parent), parentItem, &parentItem)) return BM_Zero();
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindMenu, callable, BM_Refcon(menuRef));
        record->parent = BM_Handle(parent);
        XPLMMenuID menu = nullptr;
        if (BM_RegisterRecord(record, DestroyMenuRecord, [&] {
                menu = XPLMCreateMenu(name, BM_Handle(parent), parentItem, BM_MenuCallback, record);
                return menu != nullptr;
            }))
            BM_Table().SetHandle(record, menu);
        return BM_IntFromHandle(menu);
    });
}

// A menu of the calling script goes with its record; another script's stays, and so does the
// plug-in's; any other menu is handed to the simulator.
PyObject* PY_XPLMDestroyMenu(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t menu;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &menu)) return nullptr;
    if (!BM_CheckScript(script, "XPLMDestroyMenu")) return nullptr;
    return BM_CallHost(kModule, "XPLMDestroyMenu", BM_Zero, [&] {
        MenuOwner owner = OwnerOf(BM_Handle(menu), script);
        if (owner == MenuOwner::Caller)
            BM_Table().RemoveRecord(BM_Table().RecordOfHandle(BM_KindMenu, BM_Handle(menu)));
        else if (owner == MenuOwner::Other)
            XPLMDestroyMenu(BM_Handle(menu));
        return BM_One();
    });
}

PyObject* PY_XPLMClearAllMenuItems(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    if (!BM_ParseTuple(args, BM_H, &menu)) return nullptr;
    return BM_CallHost(kModule, "XPLMClearAllMenuItems", BM_Zero, [&] {
        switch (OwnerOf(BM_Handle(menu))) {
            case MenuOwner::Caller:
                XPLMClearAllMenuItems(BM_Handle(menu));
                break;
            case MenuOwner::Refused:
                break;
            case MenuOwner::Other:  // a script clears its own items there, last first
                if (!BM_RunningScriptObject()) {
                    XPLMClearAllMenuItems(BM_Handle(menu));
                    break;
                }
                while (_CallbackRecordStruct* record = LastOwnItem(BM_Handle(menu))) BM_Table().RemoveRecord(record);
                break;
        }
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMAppendMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu, itemRef;
    const char* name;
    int forceEnglish;
    if (!BM_ParseTuple(args, BM_H "s" BM_H "i", &menu, &name, &itemRef, &forceEnglish)) return nullptr;
    return BM_CallHost(kModule, "XPLMAppendMenuItem", BM_Zero, [&] {
        MenuOwner owner = OwnerOf(BM_Handle(menu));
        if (owner == MenuOwner::Refused) return BM_IntFromLong(-1);  // as for an unknown menu
        int index = XPLMAppendMenuItem(BM_Handle(menu), name, BM_Handle(itemRef), forceEnglish);
        return BM_IntFromLong(owner == MenuOwner::Other ? NoteItem(BM_Handle(menu), index) : index);
    });
}

// As XPLMAppendMenuItem: choosing the item runs the command (as the simulator, not through the
// menu's handler). Recorded the same way in menus that are no script's.
PyObject* PY_XPLMAppendMenuItemWithCommand(PyObject*, PyObject* args) {
    Py_ssize_t menu, command;
    const char* name;
    if (!BM_ParseTuple(args, BM_H "s" BM_H, &menu, &name, &command)) return nullptr;
    return BM_CallHost(kModule, "XPLMAppendMenuItemWithCommand", BM_Zero, [&] {
        MenuOwner owner = OwnerOf(BM_Handle(menu));
        if (owner == MenuOwner::Refused) return BM_IntFromLong(-1);  // as for an unknown menu
        int index = XPLMAppendMenuItemWithCommand(BM_Handle(menu), name, BM_Handle(command));
        return BM_IntFromLong(owner == MenuOwner::Other ? NoteItem(BM_Handle(menu), index) : index);
    });
}

// The user's aircraft's menu: 0 for a plug-in that was not loaded with the aircraft (Brindlemoor
// is not, in X-Plane).
PyObject* PY_XPLMFindAircraftMenu(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMFindAircraftMenu", BM_Zero,
                       [] { return BM_IntFromHandle(XPLMFindAircraftMenu()); });
}

PyObject* PY_XPLMAppendMenuSeparator(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    if (!BM_ParseTuple(args, BM_H, &menu)) return nullptr;
    return BM_CallHost(kModule, "XPLMAppendMenuSeparator", BM_Zero, [&] {
        MenuOwner owner = OwnerOf(BM_Handle(menu));
        if (owner == MenuOwner::Refused) return BM_IntFromLong(1);
        if (owner == MenuOwner::Other && BM_RunningScriptObject()) {
            // The simulator does not say where a separator went: an item appended and removed
            // again tells.
            int index = XPLMAppendMenuItem(BM_Handle(menu), "", nullptr, 1);
            if (index >= 0) XPLMRemoveMenuItem(BM_Handle(menu), index);
            XPLMAppendMenuSeparator(BM_Handle(menu));
            NoteItem(BM_Handle(menu), index);  // the separator's index is not told
            return BM_IntFromLong(1);
        }
        XPLMAppendMenuSeparator(BM_Handle(menu));
        return BM_IntFromLong(1);
    });
}

// An item of the caller's own menu, or one of its own items elsewhere, goes; the items after it
// move up one.
PyObject* PY_XPLMRemoveMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index;
    if (!BM_ParseTuple(args, BM_H "i", &menu, &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMRemoveMenuItem", BM_Zero, [&] {
        int hostIndex;
        if (OwnerOf(BM_Handle(menu)) == MenuOwner::Other && BM_RunningScriptObject()) {
            if (_CallbackRecordStruct* record = OwnItem(BM_Handle(menu), index)) BM_Table().RemoveRecord(record);
        } else if (HostIndex(BM_Handle(menu), index, &hostIndex)) {
            XPLMRemoveMenuItem(BM_Handle(menu), hostIndex);
            for (_CallbackRecordStruct* other : Items())
                if (other->parent == BM_Handle(menu) && other->item > hostIndex) --other->item;
        }
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMSetMenuItemName(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index, forceEnglish;
    const char* name;
    if (!BM_ParseTuple(args, BM_H "isi", &menu, &index, &name, &forceEnglish)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetMenuItemName", BM_Zero, [&] {
        if (HostIndex(BM_Handle(menu), index, &index)) XPLMSetMenuItemName(BM_Handle(menu), index, name, forceEnglish);
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMCheckMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index, check;
    if (!BM_ParseTuple(args, BM_H "ii", &menu, &index, &check)) return nullptr;
    return BM_CallHost(kModule, "XPLMCheckMenuItem", BM_Zero, [&] {
        if (HostIndex(BM_Handle(menu), index, &index)) XPLMCheckMenuItem(BM_Handle(menu), index, check);
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMCheckMenuItemState(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index;
    if (!BM_ParseTuple(args, BM_H "i", &menu, &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMCheckMenuItemState", BM_Zero, [&] {
        XPLMMenuCheck check = xplm_Menu_NoCheck;
        if (HostIndex(BM_Handle(menu), index, &index)) XPLMCheckMenuItemState(BM_Handle(menu), index, &check);
        return BM_IntFromLong(check);
    });
}

PyObject* PY_XPLMEnableMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index, enabled;
    if (!BM_ParseTuple(args, BM_H "ii", &menu, &index, &enabled)) return nullptr;
    return BM_CallHost(kModule, "XPLMEnableMenuItem", BM_Zero, [&] {
        if (HostIndex(BM_Handle(menu), index, &index)) XPLMEnableMenuItem(BM_Handle(menu), index, enabled);
        return BM_IntFromLong(1);
    });
}

PyMethodDef XPLMMenusMethods[] = {
    {"XPLMFindPluginsMenu", PY_XPLMFindPluginsMenu, METH_NOARGS,
     "Finds the simulator's Plugins menu, to append items or submenus to.\n"
     "\n"
     "Returns the menu handle (an int)."},
    {"XPLMCreateMenu", PY_XPLMCreateMenu, METH_VARARGS,
     "Creates a menu of the script, hanging from an item of a parent menu.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inName: the menu's title\n"
     "inParentMenu: the parent menu's handle (e.g. XPLMFindPluginsMenu()), or 0 for none\n"
     "inParentItem: the index of the parent's item the menu hangs from\n"
     "inHandler: called as inHandler(menuRef, itemRef) when an item of the menu is chosen\n"
     "inMenuRef: an int handed to the handler as menuRef\n"
     "\n"
     "The menu belongs to the script and is destroyed when the script stops.\n"
     "Returns the menu handle (an int), or 0 when the simulator refused it or the script may not use\n"
     "that parent item. Raises TypeError when self is no script object or inHandler is not callable."},
    {"XPLMDestroyMenu", PY_XPLMDestroyMenu, METH_VARARGS,
     "Destroys a menu of the script and the menus hanging from it.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inMenuID: the menu handle\n"
     "\n"
     "Another script's menu and the plug-in's own are left as they are.\n"
     "Returns 1."},
    {"XPLMClearAllMenuItems", PY_XPLMClearAllMenuItems, METH_VARARGS,
     "Removes all items of a menu.\n"
     "\n"
     "inMenuID: the menu handle\n"
     "\n"
     "In a menu that is no script's (the Plugins menu), only the calling script's items go.\n"
     "Returns 1."},
    {"XPLMAppendMenuItem", PY_XPLMAppendMenuItem, METH_VARARGS,
     "Appends an item to a menu.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "inItemName: the item's text\n"
     "inItemRef: an int handed to the menu's handler as itemRef when the item is chosen\n"
     "inForceEnglish: 1 to show the name untranslated\n"
     "\n"
     "Items a script appends to a menu that is no script's go when the script stops.\n"
     "Returns the item's index, or -1 when the menu is unknown or another script's."},
    {"XPLMAppendMenuSeparator", PY_XPLMAppendMenuSeparator, METH_VARARGS,
     "Appends a separator line to a menu.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "\n"
     "Returns 1."},
    {"XPLMRemoveMenuItem", PY_XPLMRemoveMenuItem, METH_VARARGS,
     "Removes an item of a menu; the items after it move up one.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "inIndex: the item's index\n"
     "\n"
     "A script reaches its own menus' items and the items it appended elsewhere; in a menu that is\n"
     "no script's, its own items count from 0.\n"
     "Returns 1."},
    {"XPLMSetMenuItemName", PY_XPLMSetMenuItemName, METH_VARARGS,
     "Renames an item of a menu.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "inIndex: the item's index\n"
     "inItemName: the new text\n"
     "inForceEnglish: 1 to show the name untranslated\n"
     "\n"
     "A script reaches its own menus' items and the items it appended elsewhere; in a menu that is\n"
     "no script's, its own items count from 0.\n"
     "Returns 1."},
    {"XPLMCheckMenuItem", PY_XPLMCheckMenuItem, METH_VARARGS,
     "Sets the check mark of a menu item.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "index: the item's index\n"
     "inCheck: xplm_Menu_NoCheck, xplm_Menu_Unchecked or xplm_Menu_Checked\n"
     "\n"
     "A script reaches its own menus' items and the items it appended elsewhere; in a menu that is\n"
     "no script's, its own items count from 0.\n"
     "Returns 1."},
    {"XPLMCheckMenuItemState", PY_XPLMCheckMenuItemState, METH_VARARGS,
     "Tells the check mark of a menu item.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "index: the item's index\n"
     "\n"
     "Returns xplm_Menu_NoCheck, xplm_Menu_Unchecked or xplm_Menu_Checked; xplm_Menu_NoCheck for\n"
     "an item the script may not reach."},
    {"XPLMEnableMenuItem", PY_XPLMEnableMenuItem, METH_VARARGS,
     "Enables or greys out a menu item.\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "index: the item's index\n"
     "enabled: 1 to enable, 0 to grey out\n"
     "\n"
     "A script reaches its own menus' items and the items it appended elsewhere; in a menu that is\n"
     "no script's, its own items count from 0.\n"
     "Returns 1."},
    {"XPLMAppendMenuItemWithCommand", PY_XPLMAppendMenuItemWithCommand, METH_VARARGS,
     "Appends an item to a menu that runs a command when chosen (not through the handler).\n"
     "\n"
     "inMenu: the menu handle (an int)\n"
     "inItemName: the item's text\n"
     "inCommandToExecute: the command handle (from XPLMFindCommand or XPLMCreateCommand)\n"
     "\n"
     "Items a script appends to a menu that is no script's go when the script stops.\n"
     "Returns the item's index, or -1 when the menu is unknown or another script's."},
    {"XPLMFindAircraftMenu", PY_XPLMFindAircraftMenu, METH_NOARGS,
     "Finds the menu of the user's aircraft, for plug-ins loaded with the aircraft.\n"
     "\n"
     "Returns the menu handle (an int); 0, since Brindlemoor is not loaded with an aircraft."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMMenus() { BM_InitModule(kModule, XPLMMenusMethods, kConstants, 3); }
