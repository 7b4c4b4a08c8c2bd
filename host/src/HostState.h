#ifndef BMHOST_HOSTSTATE_H
#define BMHOST_HOSTSTATE_H
// Internal state of the stand-in simulator, shared by the files of each SDK area.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "XPLMDataAccess.h"
#include "XPLMDefs.h"
#include "XPLMMenus.h"
#include "bmhost/Control.h"

namespace bmhost::detail {

// Every opaque handle carries a kind tag and bits above bit 31, so a caller that narrows a
// handle to 32 bits hands back something that no longer resolves.
enum class HandleKind : std::uint8_t { DataRef = 1, Menu = 2, Window = 3, HotKey = 4, Widget = 5 };
void* MakeHandle(HandleKind kind, std::size_t index);
bool DecodeHandle(const void* handle, HandleKind kind, std::size_t* index);

// Checks the fault-injection list; throws InjectedFault when `function` is armed.
void Enter(const char* function);
#define BMHOST_ENTER() ::bmhost::detail::Enter(__func__)

// Appends to Log.txt and the in-memory copy.
void AppendSimLog(const std::string& text);
// Report a misuse by a plug-in to the simulator log, as the host would.
void HostWarning(const std::string& text);

struct Plugin {
    XPLMPluginID id = XPLM_NO_PLUGIN_ID;
    std::string path;
    void* library = nullptr;
    int (*start)(char*, char*, char*) = nullptr;
    void (*stop)() = nullptr;
    int (*enable)() = nullptr;
    void (*disable)() = nullptr;
    void (*receive)(XPLMPluginID, int, void*) = nullptr;
    std::string name, signature, description;
    bool started = false;
    bool enabled = false;
    int lastEnableResult = 0;
};

// Runs plug-in code with that plug-in as the current one (XPLMGetMyID), restoring the previous.
class CurrentPluginScope {
public:
    explicit CurrentPluginScope(XPLMPluginID id);
    ~CurrentPluginScope();
    CurrentPluginScope(const CurrentPluginScope&) = delete;
    CurrentPluginScope& operator=(const CurrentPluginScope&) = delete;

private:
    XPLMPluginID previous_;
};

struct Sharer {
    XPLMDataChanged_f func;
    void* refcon;
    XPLMPluginID owner;
};

// One named data item: one of the simulator's own or a shared item.
struct DataItem {
    std::string name;
    XPLMDataTypeID types = xplmType_Unknown;
    bool writable = false;
    bool shared = false;
    int i = 0;
    float f = 0.0f;
    double d = 0.0;
    std::vector<Sharer> sharers;
};

struct MenuItem {
    std::string name;
    void* itemRef = nullptr;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    bool separator = false;
    bool enabled = true;
    XPLMMenuCheck check = xplm_Menu_NoCheck;
    std::size_t submenu = 0;  // index + 1 into the menu list, 0 for none
};

struct Menu {
    std::string name;
    bool alive = true;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    XPLMMenuHandler_f handler = nullptr;
    void* menuRef = nullptr;
    std::vector<MenuItem> items;
};

struct State {
    bool seeded = false;  // simulator data and the Plugins menu exist
    std::string root;  // with a trailing '/'
    bool prefsPathIsFolder = false;
    std::set<std::string> failNext;
    std::vector<std::unique_ptr<Plugin>> plugins;
    XPLMPluginID nextPluginId = 1;
    XPLMPluginID current = XPLM_NO_PLUGIN_ID;
    bool reloadRequested = false;
    std::string simLog;
    std::function<void(const char*)> sdkCallListener;
    std::vector<DataItem> data;
    std::map<std::string, std::size_t> dataByName;
    std::vector<Menu> menus;  // menus[0] is the Plugins menu
    float elapsed = 0.0f;
    int cycle = 0;
};

State& S();
// Runs a call into plug-in code as that plug-in. An exception escaping the plug-in would bring
// the real simulator down; the stand-in reports it in the simulator log and carries on.
// Returns false when an exception escaped.
bool CallPluginCode(XPLMPluginID id, const char* what, const std::function<void()>& call);
Plugin* FindPlugin(XPLMPluginID id);
DataItem* ItemFromHandle(XPLMDataRef ref, const char* function);
std::size_t AddDataItem(DataItem item);
void SeedSimulatorData();
void ResetMenus();
// Drop what an unloaded plug-in left registered, so nothing calls into its closed library.
void SweepMenus(XPLMPluginID owner);
void SweepData(XPLMPluginID owner);

}  // namespace bmhost::detail

#endif
