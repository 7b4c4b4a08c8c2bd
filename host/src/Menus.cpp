// Menus: the Plugins menu, menus created by plug-ins, and item selection for tests and bmsim.
//
// Item indices are counted per plug-in: items that another plug-in appended to a shared menu
// (the Plugins menu) do not shift the indices a plug-in sees.
#include "HostState.h"
#include "XPLMMenus.h"
#include "XPLMUtilities.h"

using namespace bmhost::detail;

namespace {
// The aircraft menu (index + 1, 0 until first asked for) and the plug-ins that may have it.
std::size_t aircraftMenu = 0;
std::set<XPLMPluginID> aircraftPlugins;
}  // namespace

namespace bmhost::detail {
void ResetMenus() {
    S().menus.clear();
    Menu plugins;
    plugins.name = "Plugins";
    plugins.owner = XPLM_PLUGIN_XPLANE;
    S().menus.push_back(plugins);
    aircraftMenu = 0;
    aircraftPlugins.clear();
}
}  // namespace bmhost::detail

namespace {
void DestroyMenuTree(std::size_t index);
void ItemsMoved(std::size_t index);
}

void bmhost::detail::SweepMenus(XPLMPluginID owner) {
    aircraftPlugins.erase(owner);
    for (std::size_t i = 1; i < S().menus.size(); ++i)
        if (S().menus[i].owner == owner) DestroyMenuTree(i);
    std::vector<std::size_t> simulatorMenus{0};  // the items it appended to the simulator's menus go too
    if (aircraftMenu) simulatorMenus.push_back(aircraftMenu - 1);
    for (std::size_t index : simulatorMenus) {
        auto& items = S().menus[index].items;
        items.erase(std::remove_if(items.begin(), items.end(), [owner](const MenuItem& item) { return item.owner == owner; }),
                    items.end());
        ItemsMoved(index);
    }
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
    auto mine = menu.itemsOf.find(S().current);
    if (index >= 0 && mine != menu.itemsOf.end() && std::size_t(index) < mine->second.size())
        return &menu.items[mine->second[std::size_t(index)]];
    HostWarning(std::string(function) + ": no item " + std::to_string(index) + " in menu '" +
                menu.name + "'");
    return nullptr;
}

int AppendItem(Menu& menu, MenuItem item) {
    item.owner = S().current;
    std::vector<std::size_t>& mine = menu.itemsOf[item.owner];
    mine.reserve(mine.size() + 1);
    menu.items.push_back(std::move(item));
    mine.push_back(menu.items.size() - 1);
    return int(mine.size() - 1);
}

// The items of the menu were removed or moved: where each plug-in's items are, and where each
// submenu hangs from, are found again.
void ItemsMoved(std::size_t index) {
    Menu& menu = S().menus[index];
    menu.itemsOf.clear();
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        menu.itemsOf[menu.items[i].owner].push_back(i);
        if (std::size_t submenu = menu.items[i].submenu) {
            S().menus[submenu - 1].parentMenu = index + 1;
            S().menus[submenu - 1].parentItem = i;
        }
    }
}

// The menu and the menus that hang from it, parents first, with a stack of its own: a plug-in
// may nest menus as deep as it likes.
void DestroyMenuTree(std::size_t index) {
    std::vector<std::size_t> pending{index};
    while (!pending.empty()) {
        Menu& menu = S().menus[pending.back()];
        pending.pop_back();
        if (!menu.alive) continue;
        menu.alive = false;
        std::vector<MenuItem> items = std::move(menu.items);
        menu.itemsOf.clear();
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            if (it->submenu) pending.push_back(it->submenu - 1);
    }
}

// The item the menu hangs from no longer leads to it.
void DetachFromParent(std::size_t index) {
    const Menu& menu = S().menus[index];
    if (!menu.parentMenu) return;
    auto& items = S().menus[menu.parentMenu - 1].items;
    if (menu.parentItem < items.size() && items[menu.parentItem].submenu == index + 1) items[menu.parentItem].submenu = 0;
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

// A name as a path writes it: '/' and '\\' after a '\\'.
std::string Escaped(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '/' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// The items a path can choose, from this menu down, as ChooseMenuItem would find them.
void CollectChoices(std::size_t index, const std::string& prefix, std::vector<bmhost::MenuChoice>& out) {
    const Menu& menu = S().menus[index];
    for (const MenuItem& item : menu.items) {
        if (item.separator) continue;
        std::string path = prefix + "/" + Escaped(item.name);
        if (item.submenu) {
            CollectChoices(item.submenu - 1, path, out);
            continue;
        }
        Plugin* owner = FindPlugin(menu.owner);
        bool answers = item.command || (menu.handler && owner && owner->enabled);
        out.push_back({path, item.enabled && answers});
    }
}

// Finds the item named by a path such as "Plugins/Brindlemoor/Control Panel" or
// "Plugins/Brindlemoor/Script Enable \\/ Disable".
bool Resolve(const std::string& path, std::size_t* menuIndex, MenuItem** found) {
    std::vector<std::string> parts;
    if (!SplitPath(path, &parts)) return false;
    if (parts.size() < 2) return false;
    std::size_t current = 0;
    if (aircraftMenu && parts[0] == S().menus[aircraftMenu - 1].name) current = aircraftMenu - 1;
    else if (parts[0] != S().menus[0].name) return false;
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
    if (parentItem) {  // set before the vector may move
        std::size_t parentIndex = 0;
        DecodeHandle(inParentMenu, HandleKind::Menu, &parentIndex);
        menu.parentMenu = parentIndex + 1;
        menu.parentItem = std::size_t(parentItem - S().menus[parentIndex].items.data());
        parentItem->submenu = index + 1;
    }
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
    DetachFromParent(index);
    DestroyMenuTree(index);
}

void XPLMClearAllMenuItems(XPLMMenuID inMenuID) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenuID, __func__);
    if (!menu) return;
    std::vector<MenuItem> kept, removed;
    for (MenuItem& item : menu->items) (item.owner == S().current ? removed : kept).push_back(item);
    menu->items = std::move(kept);
    std::size_t index = 0;
    DecodeHandle(inMenuID, HandleKind::Menu, &index);
    ItemsMoved(index);
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

int XPLMAppendMenuItemWithCommand(XPLMMenuID inMenu, const char* inItemName, XPLMCommandRef inCommandToExecute) {
    BMHOST_ENTER();
    Menu* menu = MenuFromId(inMenu, __func__);
    if (!menu) return -1;
    if (!CommandExists(inCommandToExecute)) {
        HostWarning("XPLMAppendMenuItemWithCommand: not a command");
        return -1;
    }
    MenuItem item;
    item.name = inItemName ? inItemName : "";
    item.command = inCommandToExecute;
    return AppendItem(*menu, std::move(item));
}

// The menu of the user's aircraft, made when first asked for; only an aircraft's plug-ins get it.
XPLMMenuID XPLMFindAircraftMenu(void) {
    BMHOST_ENTER();
    if (!aircraftPlugins.count(S().current)) return nullptr;
    if (!aircraftMenu) {
        Menu menu;
        menu.name = "Aircraft";
        menu.owner = XPLM_PLUGIN_XPLANE;
        S().menus.push_back(std::move(menu));
        aircraftMenu = S().menus.size();
    }
    return MakeHandle(HandleKind::Menu, aircraftMenu - 1);
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
    if (MenuItem* item = ItemAt(*menu, inIndex, __func__)) {
        menu->items.erase(menu->items.begin() + (item - menu->items.data()));
        ItemsMoved(std::size_t(menu - S().menus.data()));
    }
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
    if (aircraftMenu) CollectPaths(aircraftMenu - 1, S().menus[aircraftMenu - 1].name, paths);
    return paths;
}

std::vector<MenuChoice> MenuChoices() {
    std::vector<MenuChoice> choices;
    CollectChoices(0, Escaped(S().menus[0].name), choices);
    if (aircraftMenu) CollectChoices(aircraftMenu - 1, Escaped(S().menus[aircraftMenu - 1].name), choices);
    return choices;
}

void SetAircraftPlugin(XPLMPluginID plugin, bool aircraft) {
    if (aircraft) aircraftPlugins.insert(plugin);
    else aircraftPlugins.erase(plugin);
}

bool ChooseMenuItem(const std::string& path) {
    std::size_t menuIndex = 0;
    MenuItem* item = nullptr;
    if (!Resolve(path, &menuIndex, &item) || !item->enabled || item->submenu) return false;
    if (item->command) {  // run as the simulator, in no plug-in's name
        bool ran = RunCommandRef(item->command);
        RunDeferredReload();
        return ran;
    }
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
    for (std::size_t i = 1; i < S().menus.size(); ++i) n += S().menus[i].alive && S().menus[i].owner != XPLM_PLUGIN_XPLANE;
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
