#include "WidgetStuff.h"

#include "BrindlemoorBase.h"
#include "XPLMMenus.h"
#include "XPLMUtilities.h"

std::vector<std::string> TestText;
std::string szPopupText;
std::string ScriptName;

int BM_MenuItem1 = 0, BM_MenuItem2 = 0, BM_MenuItem3 = 0;

namespace {

bool HasScriptPrefix(const std::string& name) {
    return name.find("BM_") != std::string::npos || name.find("bm_") != std::string::npos;
}

// The folder listing, gathered in as many calls as the simulator needs.
std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    BM_RunOrLog("XPLMGetDirectoryContents", [&] {
        constexpr int kNameBuffer = 4096, kIndexCount = 4096;
        std::vector<char> nameBuf(kNameBuffer);
        std::vector<char*> indices(kIndexCount);
        for (int first = 0;;) {
            int totFile = 0, retFile = 0;
            int complete = XPLMGetDirectoryContents(folder.c_str(), first, nameBuf.data(), kNameBuffer,
                                                    indices.data(), kIndexCount, &totFile, &retFile);
            for (int i = 0; i < retFile && i < kIndexCount && indices[std::size_t(i)]; ++i)
                names.emplace_back(indices[std::size_t(i)]);
            if (complete || retFile <= 0) break;
            first += retFile;
        }
    });
    return names;
}

const char kNoScripts[] = "No Scripts Found";
const char kFolderError[] = "PythonScripts Directory Error";

// ---- Consoles ----

struct Console {
    std::string pending;
};
Console gDisplayConsole, gPrintConsole;

constexpr std::size_t kLineBuffer = 4096;     // an added text is cut to 4095 characters
constexpr std::size_t kSecondLineMax = 255;
constexpr std::size_t kPendingBuffer = 8192;  // with its terminating NUL
constexpr std::size_t kPendingFull = 7999;
constexpr std::size_t kSplitLength = 46;
constexpr std::size_t kCut = 45;

// Cuts `line` for the console when it is 46 characters or longer; returns the rest.
std::string SplitLine(std::string& line) {
    if (line.size() < kSplitLength) return std::string();
    std::size_t cut = kCut, restFrom = kCut;  // hard cut, the rest keeps all characters
    if (line[kCut] != ' ') {
        for (std::size_t i = kCut - 1; i >= 1; --i) {
            if (line[i] == ' ') {
                cut = i;  // break at the blank and drop it
                restFrom = i + 1;
                break;
            }
        }
    }
    std::string rest = line.substr(restFrom);
    line.resize(cut);
    return rest;
}

void AddItem(Console& console, const char* text) {
    // Until the control panel builds the consoles, every line waits in the pending text.
    if (console.pending.size() > kPendingFull) return;
    for (const std::string& line : SplitConsoleText(text)) {
        if (line.empty()) continue;
        if (console.pending.size() + line.size() + 1 > kPendingBuffer - 1) continue;
        console.pending += line;
        console.pending += ';';
    }
}

}  // namespace

std::array<std::string, 3> SplitConsoleText(const char* text) {
    std::array<std::string, 3> lines;
    if (!text) return lines;
    lines[0] = std::string(text).substr(0, kLineBuffer - 1);
    lines[1] = SplitLine(lines[0]).substr(0, kSecondLineMax);
    lines[2] = SplitLine(lines[1]);
    return lines;
}

std::vector<std::string> SelectScriptNames(const std::vector<std::string>& fileNames) {
    std::vector<std::string> modules;
    for (const std::string& name : fileNames) {
        std::size_t dot = name.rfind('.');
        if (dot == std::string::npos || name.compare(dot, std::string::npos, ".py") != 0) continue;
        if (HasScriptPrefix(name)) modules.push_back(name.substr(0, dot));
    }
    for (const std::string& name : fileNames) {
        std::size_t dot = name.find('.');
        if (dot == std::string::npos || name.compare(dot, std::string::npos, ".pyc") != 0) continue;
        if (!HasScriptPrefix(name)) continue;
        bool hidden = false;
        for (const std::string& listed : modules) hidden = hidden || name.find(listed) != std::string::npos;
        if (!hidden) modules.push_back(name.substr(0, dot));
    }
    return modules;
}

const std::string& GetScriptFiles(const std::string& folder) {
    TestText = SelectScriptNames(ListFolder(folder));
    if (TestText.empty()) {
        szPopupText = std::string(kNoScripts) + ";";
        ScriptName = kNoScripts;
    } else {
        szPopupText.clear();
        for (const std::string& name : TestText) szPopupText += name + ";";
        ScriptName = TestText.front();
    }
    return ScriptName;
}

const std::string& SetErrorText() {
    szPopupText = std::string(kFolderError) + ";";
    ScriptName = kFolderError;
    return szPopupText;
}

// ---- Menu ----

namespace {
char kControlPanelRef[] = "ControlPanel";
char kScriptEnableDisableRef[] = "ScriptEnableDisable";
char kScriptInformationRef[] = "ScriptInformation";
}  // namespace

void SetupWidgets(const char*) {
    BM_RunOrLog("installing the menu", [] {
        XPLMMenuID plugins = XPLMFindPluginsMenu();
        int item = XPLMAppendMenuItem(plugins, "Brindlemoor", nullptr, 1);
        XPLMMenuID menu = XPLMCreateMenu("Brindlemoor", plugins, item, BrindlemoorMenuHandler, nullptr);
        XPLMAppendMenuItem(menu, "Control Panel", kControlPanelRef, 1);
        XPLMAppendMenuItem(menu, "Script Enable / Disable", kScriptEnableDisableRef, 2);
        XPLMAppendMenuItem(menu, "Script Information", kScriptInformationRef, 3);
    });
    BM_MenuItem1 = BM_MenuItem2 = BM_MenuItem3 = 0;
}

void BrindlemoorMenuHandler(void*, void*) {
    // The control panel and the script windows are opened from here once they exist.
}

void DestroyWidgets() {
    BM_MenuItem1 = BM_MenuItem2 = BM_MenuItem3 = 0;
}

// ---- Consoles ----

void AddDisplayItem(const char* pBuffer) { AddItem(gDisplayConsole, pBuffer); }
void AddPrintItem(const char* pBuffer) { AddItem(gPrintConsole, pBuffer); }
// Clearing a console that does not exist yet keeps its pending text.
void ClearDisplay() {}
void ClearPrint() {}
const std::string& PendingDisplayText() { return gDisplayConsole.pending; }
const std::string& PendingPrintText() { return gPrintConsole.pending; }
