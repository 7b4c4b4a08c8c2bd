// Menus: the Plugins menu, menus created by plug-ins, and item selection for tests and bmsim.
//
// Item indices are counted per plug-in: items that another plug-in appended to a shared menu
// (the Plugins menu) do not shift the indices a plug-in sees.
#include "HostState.h"
#include "XPLMMenus.h"

using namespace bmhost::detail;

namespace bmhost::detail {
void ResetMenus() {
    S().menus.clear();
    Menu plugins;
    plugins.name = "Plugins";
    plugins.owner = XPLM_PLUGIN_XPLANE;
    S().menus.push_back(plugins);
}
}  // namespace bmhost::detail

namespace {
void DestroyMenuTree(std::size_t index);
}

void bmhost::detail::SweepMenus(XPLMPluginID owner) {
    for (std::size_t i = 1; i < S().menus.size(); ++i)
        if (S().menus[i].owner == owner) DestroyMenuTree(i);
    auto& items = S().menus[0].items;
    for (auto it = items.begin(); it != items.end();) it = it->owner == owner ? items.erase(it) : it + 1;
}

namespace {

Menu* MenuFromId(XPLMMenuID id, const char* function) {
    std::size_t index = 0;
    if (!DecodeHandle(id, HandleKind::Menu, &index) || index >= S().menus.size() ||
        !S().menus[index].alive) {
        HostWarning(std::string(function) + ": not a menu id");
        return nullptr;
    }
    return &S().menus[index];
}

// The item that the current plug-in knows as `index` in `menu`.
MenuItem* ItemAt(Menu& menu, int index, const char* function) {
    int seen = 0;
    for (MenuItem& item : menu.items) {
        if (item.owner != S().current) continue;
        if (seen++ == index) return &item;
    }
    HostWarning(std::string(function) + ": no item " + std::to_string(index) + " in menu '" +
                menu.name + "'");
    return nullptr;
}

int AppendItem(Menu& menu, MenuItem item) {
    item.owner = S().current;
    int index = 0;
    for (const MenuItem& existing : menu.items)
        if (existing.owner == item.owner) ++index;
    menu.items.push_back(std::move(item));
    return index;
}

void DestroyMenuTree(std::size_t index) {
    Menu& menu = S().menus[index];
    if (!menu.alive) return;
    menu.alive = false;
    std::vector<MenuItem> items = std::move(menu.items);
    for (const MenuItem& item : items)
        if (item.submenu) DestroyMenuTree(item.submenu - 1);
}

void DetachFromParents(std::size_t index) {
    for (Menu& menu : S().menus)
        for (MenuItem& item : menu.items)
            if (item.submenu == index + 1) item.submenu = 0;
}

// The names of a path: split at each '/' that no '\\' escapes. False for a path that ends in a
// lone '\\'.
bool SplitPath(const std::string& path, std::vector<std::string>* parts) {
    std::string part;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            if (++i == path.size()) return false;
            part += path[i];
        } else if (path[i] == '/') {
            parts->push_back(part);
            part.clear();
        } else {
            part += path[i];
        }
    }
    parts->push_back(part);
    return true;
}

void CollectPaths(std::size_t index, const std::string& prefix, std::vector<std::string>& out) {
    for (const MenuItem& item : S().menus[index].items) {
        if (item.separator) continue;
        std::string path = prefix + "/" + item.name;
        out.push_back(path);
        if (item.submenu) CollectPaths(item.submenu - 1, path, out);
    }
}

// Finds the item named by a path such as "Plugins/Brindlemoor/Control Panel" or
// "Plugins/Brindlemoor/Script Enable \\/ Disable".
bool Resolve(const std::string& path, std::size_t* menuIndex, MenuItem** found) {
    std::vector<std::string> parts;
    if (!SplitPath(path, &parts)) return false;
    if (parts.size() < 2 || parts[0] != S().menus[0].name) return false;
    std::size_t current = 0;
    for (std::size_t p = 1; p < parts.size(); ++p) {
        MenuItem* match = nullptr;
        for (MenuItem& item : S().menus[current].items)
            if (!item.separator && item.name == parts[p]) match = &item;
        if (!match) return false;
        if (p + 1 == parts.size()) {
            *menuIndex = current;
            *found = match;
            return true;
        }
        if (!match->submenu) return false;
        current = match->submenu - 1;
    }
    return false;
}

}  // namespace

XPLMMenuID XPLMFindPluginsMenu(void) {
    BMHOST_ENTER();
    return MakeHandle(HandleKind::Menu, 0);
}

XPLMMenuID XPLMCreateMenu(const char* inName, XPLMMenuID inParentMenu, int inParentItem,
                          XPLMMenuHandler_f inHandler, void* inMenuRef) {
    BMHOST_ENTER();
    MenuItem* parentItem = nullptr;
    if (inParentMenu) {
        Menu* parent = MenuFromId(inParentMenu, __func__);
        if (!parent) return nullptr;
        parentItem = ItemAt(*parent, inParentItem, __func__);
        if (!parentItem) return nullptr;
    }
    Menu menu;
    menu.name = inName ? inName : "";
    menu.owner = S().current;
    menu.handler = inHandler;
    menu.menuRef = inMenuRef;
    std::size_t index = S().menus.size();
    if (parentItem) parentItem->submenu = index + 1;  // set before the vector may move
    S().menus.push_back(std::move(menu));
    return MakeHandle(HandleKind::Menu, index);
}

void XPLMDestroyMenu(XPLMMenuID inMenuID) {
    BMHOST_ENTER();
    std::size_t index = 0;
    if (!MenuFromId(inMenuID, __func__) || !DecodeHandle(inMenuID, HandleKind::Menu, &index)) return;
    if (index == 0) {
        HostWarning("XPLMDestroyMenu: the Plugins menu belongs to the simulator");
        return;
    }
    DetachFromParents(index);
    DestroyMenuTree(index);
}

void XPLMClearAllMenuItems(XPLMMenuID inMenuID) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenuID, __func__);
    if (!menu) return;
    std::vector<MenuItem> kept, removed;
    for (MenuItem& item : menu->items) (item.owner == S().current ? removed : kept).push_back(item);
    menu->items = std::move(kept);
    for (const MenuItem& item : removed)
        if (item.submenu) DestroyMenuTree(item.submenu - 1);
}

int XPLMAppendMenuItem(XPLMMenuID inMenu, const char* inItemName, void* inItemRef, int) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return -1;
    MenuItem item;
    item.name = inItemName ? inItemName : "";
    item.itemRef = inItemRef;
    return AppendItem(*menu, std::move(item));
}

void XPLMAppendMenuSeparator(XPLMMenuID inMenu) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return;
    MenuItem item;
    item.separator = true;
    AppendItem(*menu, std::move(item));
}

// A menu that hung from the item stays, unreachable, until its owner destroys it.
void XPLMRemoveMenuItem(XPLMMenuID inMenu, int inIndex) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return;
    if (MenuItem* item = ItemAt(*menu, inIndex, __func__)) menu->items.erase(menu->items.begin() + (item - menu->items.data()));
}

void XPLMSetMenuItemName(XPLMMenuID inMenu, int inIndex, const char* inItemName, int) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return;
    if (MenuItem* item = ItemAt(*menu, inIndex, __func__)) item->name = inItemName ? inItemName : "";
}

void XPLMCheckMenuItem(XPLMMenuID inMenu, int index, XPLMMenuCheck inCheck) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return;
    if (MenuItem* item = ItemAt(*menu, index, __func__)) item->check = inCheck;
}

void XPLMCheckMenuItemState(XPLMMenuID inMenu, int index, XPLMMenuCheck* outCheck) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return;
    MenuItem* item = ItemAt(*menu, index, __func__);
    if (item && outCheck) *outCheck = item->check;
}

void XPLMEnableMenuItem(XPLMMenuID inMenu, int index, int enabled) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return;
    if (MenuItem* item = ItemAt(*menu, index, __func__)) item->enabled = enabled != 0;
}

namespace bmhost {

std::vector<std::string> MenuItemPaths() {
    std::vector<std::string> paths;
    CollectPaths(0, S().menus[0].name, paths);
    return paths;
}

bool ChooseMenuItem(const std::string& path) {
    std::size_t menuIndex = 0;
    MenuItem* item = nullptr;
    if (!Resolve(path, &menuIndex, &item) || !item->enabled || item->submenu) return false;
    const Menu& menu = S().menus[menuIndex];
    Plugin* owner = FindPlugin(menu.owner);
    if (!menu.handler || !owner || !owner->enabled) return false;
    XPLMMenuHandler_f handler = menu.handler;
    void* menuRef = menu.menuRef;
    void* itemRef = item->itemRef;
    CallPluginCode(menu.owner, "menu handler", [&] { handler(menuRef, itemRef); });
    RunDeferredReload();
    return true;
}

int PluginMenuCount() {
    int n = 0;
    for (std::size_t i = 1; i < S().menus.size(); ++i) n += S().menus[i].alive ? 1 : 0;
    return n;
}

int MenuItemCount() {
    int n = 0;
    for (const Menu& menu : S().menus) n += menu.alive ? int(menu.items.size()) : 0;
    return n;
}

int MenuItemCheck(const std::string& path) {
    std::size_t menuIndex = 0;
    MenuItem* item = nullptr;
    return Resolve(path, &menuIndex, &item) ? item->check : -1;
}

}  // namespace bmhost
