// XPLMMenus: menus of a script's own, with selections delivered to a script callable.
#include <vector>

#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMMenus.h"

namespace {

const char kModule[] = "XPLMMenus";

const BM_Constant kConstants[] = {
    {"xplm_Menu_NoCheck", xplm_Menu_NoCheck},
    {"xplm_Menu_Unchecked", xplm_Menu_Unchecked},
    {"xplm_Menu_Checked", xplm_Menu_Checked},
};

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

// A menu of the plug-in's scripts goes with its record (whichever script made it); any other
// menu is handed to the simulator.
PyObject* PY_XPLMDestroyMenu(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t menu;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &menu)) return nullptr;
    if (!BM_CheckScript(script, "XPLMDestroyMenu")) return nullptr;
    return BM_CallHost(kModule, "XPLMDestroyMenu", BM_Zero, [&] {
        if (_CallbackRecordStruct* record = BM_Table().RecordOfHandle(BM_KindMenu, BM_Handle(menu)))
            BM_Table().RemoveRecord(record);
        else
            XPLMDestroyMenu(BM_Handle(menu));
        return BM_One();
    });
}

PyObject* PY_XPLMClearAllMenuItems(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    if (!BM_ParseTuple(args, BM_H, &menu)) return nullptr;
    return BM_CallHost(kModule, "XPLMClearAllMenuItems", BM_Zero, [&] {
        XPLMClearAllMenuItems(BM_Handle(menu));
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMAppendMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu, itemRef;
    const char* name;
    int forceEnglish;
    if (!BM_ParseTuple(args, BM_H "s" BM_H "i", &menu, &name, &itemRef, &forceEnglish)) return nullptr;
    return BM_CallHost(kModule, "XPLMAppendMenuItem", BM_Zero, [&] {
        return BM_IntFromLong(XPLMAppendMenuItem(BM_Handle(menu), name, BM_Handle(itemRef), forceEnglish));
    });
}

PyObject* PY_XPLMAppendMenuSeparator(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    if (!BM_ParseTuple(args, BM_H, &menu)) return nullptr;
    return BM_CallHost(kModule, "XPLMAppendMenuSeparator", BM_Zero, [&] {
        XPLMAppendMenuSeparator(BM_Handle(menu));
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMSetMenuItemName(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index, forceEnglish;
    const char* name;
    if (!BM_ParseTuple(args, BM_H "isi", &menu, &index, &name, &forceEnglish)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetMenuItemName", BM_Zero, [&] {
        XPLMSetMenuItemName(BM_Handle(menu), index, name, forceEnglish);
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMCheckMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index, check;
    if (!BM_ParseTuple(args, BM_H "ii", &menu, &index, &check)) return nullptr;
    return BM_CallHost(kModule, "XPLMCheckMenuItem", BM_Zero, [&] {
        XPLMCheckMenuItem(BM_Handle(menu), index, check);
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMCheckMenuItemState(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index;
    if (!BM_ParseTuple(args, BM_H "i", &menu, &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMCheckMenuItemState", BM_Zero, [&] {
        XPLMMenuCheck check = xplm_Menu_NoCheck;
        XPLMCheckMenuItemState(BM_Handle(menu), index, &check);
        return BM_IntFromLong(check);
    });
}

PyObject* PY_XPLMEnableMenuItem(PyObject*, PyObject* args) {
    Py_ssize_t menu;
    int index, enabled;
    if (!BM_ParseTuple(args, BM_H "ii", &menu, &index, &enabled)) return nullptr;
    return BM_CallHost(kModule, "XPLMEnableMenuItem", BM_Zero, [&] {
        XPLMEnableMenuItem(BM_Handle(menu), index, enabled);
        return BM_IntFromLong(1);
    });
}

PyMethodDef XPLMMenusMethods[] = {
    {"XPLMFindPluginsMenu", PY_XPLMFindPluginsMenu, METH_NOARGS, "Find Plugins Menu."},
    {"XPLMCreateMenu", PY_XPLMCreateMenu, METH_VARARGS, "Create Menu."},
    {"XPLMDestroyMenu", PY_XPLMDestroyMenu, METH_VARARGS, "Destroy Menu."},
    {"XPLMClearAllMenuItems", PY_XPLMClearAllMenuItems, METH_VARARGS, "Clear All Menu Items."},
    {"XPLMAppendMenuItem", PY_XPLMAppendMenuItem, METH_VARARGS, "Append Menu Item."},
    {"XPLMAppendMenuSeparator", PY_XPLMAppendMenuSeparator, METH_VARARGS, "Append Menu Separator."},
    {"XPLMSetMenuItemName", PY_XPLMSetMenuItemName, METH_VARARGS, "Set Menu Item Name."},
    {"XPLMCheckMenuItem", PY_XPLMCheckMenuItem, METH_VARARGS, "Check Menu Item."},
    {"XPLMCheckMenuItemState", PY_XPLMCheckMenuItemState, METH_VARARGS, "Check Menu Item State."},
    {"XPLMEnableMenuItem", PY_XPLMEnableMenuItem, METH_VARARGS, "Enable Menu Item."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMMenus() { BM_InitModule(kModule, XPLMMenusMethods, kConstants, 3); }
