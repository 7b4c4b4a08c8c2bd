// The menu, the control panel and its consoles, the two script windows, and the script list.
#include "PyCompat.h"

#include "WidgetStuff.h"

#include <sys/stat.h>

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>

#include "BM_ListBox.h"
#include "BM_Popups.h"
#include "Brindlemoor.h"
#include "PythonModules.h"
#include "BrindlemoorBase.h"
#include "BrindlemoorClass.h"
#include "ScriptPaths.h"
#include "ScriptReload.h"
#include "ScriptThreads.h"
#include "XPLMDataAccess.h"
#include "XPLMMenus.h"
#include "XPLMPlugin.h"
#include "XPLMUtilities.h"
#include "XPStandardWidgets.h"
#include "XPWidgets.h"

std::vector<std::string> TestText;
std::string szPopupText;
std::string ScriptName;

int BM_MenuItem1 = 0, BM_MenuItem2 = 0, BM_MenuItem3 = 0;

XPWidgetID BrindlemoorWidget = nullptr, BrindlemoorWindow = nullptr, BrindlemoorDisplayConsole = nullptr,
           BrindlemoorPrintConsole = nullptr, BrindlemoorPopup = nullptr, StartPythonButton = nullptr,
           StopPythonButton = nullptr, ReLoadScripts = nullptr, ClearLB = nullptr, ReloadPlugins = nullptr,
           ScriptInfo = nullptr, EnableOutputFileCheckBox = nullptr, EnableOutputFileText = nullptr;
intptr_t curItem = 0;

std::vector<PyObject*> ScriptId;
int NumberOfScriptIds = 0;
int MaxScreenNumber = 0;
int ScriptInfoScreenNumber = 0, ScriptAdminScreenNumber = 0;

XPWidgetID ScriptInfoWidget = nullptr, ScriptInfoPanel1 = nullptr, ScriptInfoPanel2 = nullptr,
           ScriptInfoRefreshButton = nullptr, ScriptInfoPreviousButton = nullptr, ScriptInfoNextButton = nullptr;
XPWidgetID NameText[16] = {}, SignatureText[16] = {}, DescriptionText[16] = {};
XPWidgetID ScriptAdminWidget = nullptr, ScriptAdminPanel = nullptr, ScriptAdminCaption1 = nullptr,
           ScriptAdminCaption2 = nullptr, ScriptAdminPreviousButton = nullptr, ScriptAdminNextButton = nullptr;
XPWidgetID ScriptAdminEdit[kScriptRows] = {}, ScriptAdminCheckBox[kScriptRows] = {};

const char kDisplayConsoleDataRef[] = "brindlemoor/consoles/display";
const char kPrintConsoleDataRef[] = "brindlemoor/consoles/print";

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

// Script files that are no regular files (a FIFO, a device, a link to one) are left out with a
// line in the log: importing one would wait on it for ever, or read garbage.
std::vector<std::string> LeaveOutIrregularFiles(const std::string& folder, std::vector<std::string> names) {
    std::string posixFolder;
    BM_HostPaths host = BM_QueryHostPaths();
    if (ConvertPath(folder, host.separator, &posixFolder) != 0) return names;
    std::vector<std::string> kept;
    for (std::string& name : names) {
        struct stat info;
        bool script = HasScriptPrefix(name) && name.find(".py") != std::string::npos;
        if (script && (stat((posixFolder + "/" + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode))) {
            BM_WriteToLog(("Brindlemoor - " + name + " is not a regular file: left out\n").c_str());
            continue;
        }
        kept.push_back(std::move(name));
    }
    return kept;
}

const char kNoScripts[] = "No Scripts Found";
const char kFolderError[] = "PythonScripts Directory Error";

// Writes a failure of the plug-in's own widget work to the log; never throws.
void LogFailure(const char* what, const char* reason) noexcept {
    try {
        BM_WriteToLog((std::string("Brindlemoor - ") + what + " failed: " + reason + "\n").c_str());
    } catch (...) {
        // out of memory while reporting: the report is dropped
    }
}

// Runs `body`; whatever it throws is logged as a failure of `what` and goes no further.
template <typename Body>
void Guarded(const char* what, Body&& body) noexcept {
    BM_InterpreterTurn turn;
    try {
        body();
    } catch (const std::exception& e) {
        LogFailure(what, e.what());
    } catch (...) {
        LogFailure(what, "unknown exception");
    }
}

// ---- Consoles ----

struct Console {
    XPWidgetID* widget;   // the list box, once the panel is built
    std::string pending;  // lines added before, each followed by ';'
    XPLMDataRef dataRef = nullptr;
    // What the standard streams wrote since their last line end, and how many of the list box's
    // last items show it (0 before the panel is built).
    std::string partial;
    std::size_t partialRows = 0;
};
Console gDisplayConsole{&BrindlemoorDisplayConsole, {}, nullptr, {}, 0};
Console gPrintConsole{&BrindlemoorPrintConsole, {}, nullptr, {}, 0};

constexpr std::size_t kPendingBuffer = 8192;  // with its terminating NUL
constexpr std::size_t kPendingFull = 7999;
constexpr std::size_t kSplitLength = 46;
constexpr std::size_t kCut = 45;
constexpr std::size_t kListBoxReads = 4095;   // what a list box takes of its first descriptor
constexpr std::size_t kFormatted = 255;       // the panel's and windows' formatted texts

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

// A partial line longer than this is shown as a whole line: the next write starts another.
constexpr std::size_t kLongestPartial = 4096;

// Texts written on scripts' own threads wait here for the simulator's thread, which alone may
// touch the consoles' widgets: it takes them at its next text and whenever the panel hears from
// the simulator. At most kThreadTextsKept wait; later ones are left out of the console (the
// output file has them).
struct ThreadText {
    Console* console;
    std::string text;
    bool stream;  // written to a standard stream, not added as an item
};
constexpr std::size_t kThreadTextsKept = 1000;
std::mutex gThreadTextsLock;
std::vector<ThreadText> gThreadTexts;

void AddLines(Console& console, const char* text);
void AddStreamText(Console& console, const std::string& text);

void TakeThreadLines() {
    std::vector<ThreadText> texts;
    {
        std::lock_guard<std::mutex> hold(gThreadTextsLock);
        texts.swap(gThreadTexts);
    }
    for (const ThreadText& text : texts) {
        if (text.stream)
            AddStreamText(*text.console, text.text);
        else
            AddLines(*text.console, text.text.c_str());
    }
}

template <typename Add>
void AddOnSimulatorThread(Console& console, const char* text, bool stream, const char* what, Add&& add) noexcept {
    Guarded(what, [&] {
        if (!BM_OnSimulatorThread()) {
            std::lock_guard<std::mutex> hold(gThreadTextsLock);
            if (gThreadTexts.size() < kThreadTextsKept) gThreadTexts.push_back({&console, text ? text : "", stream});
            return;
        }
        TakeThreadLines();
        add();
    });
}

// Rows at the end of the console: in place of the partial line's rows when `replacing`. Empty
// rows are left out unless `keepEmpty`.
void PutRows(Console& console, const std::vector<std::string>& rows, bool keepEmpty, bool replacing) {
    if (XPWidgetID listBox = *console.widget) {
        if (replacing && console.partialRows)
            XPSetWidgetProperty(listBox, xpProperty_ListDeleteLastItems, intptr_t(console.partialRows));
        // Each row is one item, whatever it holds.
        for (const std::string& row : rows) {
            if (row.empty() && !keepEmpty) continue;
            XPSetWidgetDescriptor(listBox, row.c_str());
            XPSetWidgetProperty(listBox, xpProperty_ListAppendItem, 1);
        }
        // The list box took the pending lines when it was made.
        if (!console.pending.empty()) std::string().swap(console.pending);
        return;
    }
    if (console.pending.size() > kPendingFull) return;
    for (const std::string& row : rows) {
        if (row.empty() && !keepEmpty) continue;
        if (console.pending.size() + row.size() + 1 > kPendingBuffer - 1) continue;
        console.pending += row;
        console.pending += ';';
    }
}

// The rows of a line the streams wrote: an empty line is one empty row.
std::vector<std::string> StreamRows(const std::string& line) {
    std::vector<std::string> rows = SplitConsoleText(line.c_str());
    if (rows.empty()) rows.emplace_back();
    return rows;
}

// The partial line ends where it stands (another item follows it).
void EndPartialLine(Console& console) {
    if (console.partial.empty()) return;
    PutRows(console, StreamRows(console.partial), true, true);
    console.partial.clear();
    console.partialRows = 0;
}

// Shows the partial line in the list box, in place of what showed it before.
void ShowPartialLine(Console& console) {
    if (!*console.widget || (console.partial.empty() && !console.partialRows)) return;
    std::vector<std::string> rows =
        console.partial.empty() ? std::vector<std::string>() : SplitConsoleText(console.partial.c_str());
    PutRows(console, rows, true, true);
    console.partialRows = rows.size();
}

// Text of the standard streams: joined with what came before up to each line end ("\n" or
// "\r\n"), one item per line; what follows the last line end shows at once and is completed in
// place by the next write.
void AddStreamText(Console& console, const std::string& text) {
    std::string all = console.partial + text;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
        std::size_t stop = end > start && all[end - 1] == '\r' ? end - 1 : end;
        PutRows(console, StreamRows(all.substr(start, stop - start)), true, true);
        console.partialRows = 0;
    }
    console.partial = all.substr(start);
    if (console.partial.size() > kLongestPartial) {
        EndPartialLine(console);
        return;
    }
    ShowPartialLine(console);
}

// An item: each of its lines a row or more; empty lines are left out.
void AddLines(Console& console, const char* text) {
    EndPartialLine(console);
    std::string rest = text ? text : "";
    std::vector<std::string> rows;
    for (std::size_t start = 0; start <= rest.size();) {
        std::size_t end = rest.find('\n', start);
        if (end == std::string::npos) end = rest.size();
        std::size_t stop = end > start && rest[end - 1] == '\r' ? end - 1 : end;
        for (std::string& row : SplitConsoleText(rest.substr(start, stop - start).c_str())) rows.push_back(std::move(row));
        start = end + 1;
    }
    PutRows(console, rows, false, false);
}

void Clear(Console& console, const char* what) noexcept {
    Guarded(what, [&] {
        console.partial.clear();
        console.partialRows = 0;
        if (XPWidgetID listBox = *console.widget) XPSetWidgetProperty(listBox, xpProperty_ListClear, 1);
    });
}

// The items a ';'-separated text gives a new list box: a trailing ';' adds none.
std::vector<std::string> PendingItems(const std::string& pending) {
    std::vector<std::string> items;
    std::string text = pending.substr(0, kListBoxReads);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t semicolon = text.find(';', start);
        if (semicolon == std::string::npos) {
            items.push_back(text.substr(start));
            break;
        }
        items.push_back(text.substr(start, semicolon - start));
        start = semicolon + 1;
    }
    return items;
}

std::vector<std::string> Items(const Console& console) {
    if (XPWidgetID listBox = *console.widget) {
        const BM_ListBoxData_t* data = BM_ListBoxItems(listBox);
        return data ? data->Items : std::vector<std::string>();
    }
    std::vector<std::string> items = PendingItems(console.pending);
    if (!console.partial.empty())
        for (std::string& row : SplitConsoleText(console.partial.c_str())) items.push_back(std::move(row));
    return items;
}

// The console data ref: every item followed by a NUL byte.
int ReadConsoleBytes(void* refcon, void* outValue, int inOffset, int inMaxLength) {
    try {
        const Console& console = *static_cast<const Console*>(refcon);
        std::string bytes;
        for (const std::string& item : Items(console)) {
            bytes += item;
            bytes += '\0';
        }
        if (bytes.size() > std::size_t(INT_MAX)) bytes.resize(std::size_t(INT_MAX));
        if (!outValue) return int(bytes.size());
        if (inOffset < 0 || inMaxLength <= 0 || std::size_t(inOffset) >= bytes.size()) return 0;
        std::size_t count = std::min(std::size_t(inMaxLength), bytes.size() - std::size_t(inOffset));
        std::memcpy(outValue, bytes.data() + inOffset, count);
        return int(count);
    } catch (...) {
        return 0;
    }
}

void PublishConsole(Console& console, const char* name) {
    Guarded("XPLMRegisterDataAccessor", [&] {
        console.dataRef = XPLMRegisterDataAccessor(name, xplmType_Data, 0, nullptr, nullptr, nullptr, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                   ReadConsoleBytes, nullptr, &console, nullptr);
    });
}

void WithdrawConsole(Console& console) {
    XPLMDataRef ref = console.dataRef;
    console.dataRef = nullptr;
    if (ref) Guarded("XPLMUnregisterDataAccessor", [&] { XPLMUnregisterDataAccessor(ref); });
}

// A formatted text of the panel or a script window, cut where a 256-character buffer cuts it.
std::string Cut(std::string text) {
    if (text.size() > kFormatted) text.resize(kFormatted);
    return text;
}

}  // namespace

std::vector<std::string> SplitConsoleText(const char* text) {
    std::vector<std::string> rows;
    for (std::string rest = text ? text : ""; !rest.empty();) {
        std::string row = std::move(rest);
        rest = SplitLine(row);
        rows.push_back(std::move(row));
    }
    return rows;
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
        // Left out when its source is listed: the same stem (BM_Radio.pyc beside BM_Radio.py, not
        // BM_RadioPanel.pyc).
        std::string stem = name.substr(0, dot);
        if (std::find(modules.begin(), modules.end(), stem) == modules.end()) modules.push_back(stem);
    }
    return modules;
}

const std::string& GetScriptFiles(const std::string& folder) {
    std::vector<std::string> files = LeaveOutIrregularFiles(folder, ListFolder(folder));
    TestText = SelectScriptNames(files);
    BM_NoteScriptSources(files);
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

std::string ScriptIdText(const void* id) {
    char text[2 * sizeof(uintptr_t) + 1];
    std::snprintf(text, sizeof text, "%" PRIxPTR, reinterpret_cast<uintptr_t>(id));
    return text;
}

// ---- Consoles ----

void AddDisplayItem(const char* pBuffer) noexcept {
    AddOnSimulatorThread(gDisplayConsole, pBuffer, false, "AddDisplayItem", [&] { AddLines(gDisplayConsole, pBuffer); });
}
void AddPrintItem(const char* pBuffer) noexcept {
    AddOnSimulatorThread(gPrintConsole, pBuffer, false, "AddPrintItem", [&] { AddLines(gPrintConsole, pBuffer); });
}
void AddPrintText(const char* text) noexcept {
    AddOnSimulatorThread(gPrintConsole, text, true, "AddPrintText", [&] { AddStreamText(gPrintConsole, text ? text : ""); });
}
void ClearDisplay() noexcept { Clear(gDisplayConsole, "ClearDisplay"); }
void ClearPrint() noexcept { Clear(gPrintConsole, "ClearPrint"); }
const std::string& PendingDisplayText() { return gDisplayConsole.pending; }
const std::string& PendingPrintText() { return gPrintConsole.pending; }
std::vector<std::string> DisplayConsoleItems() { return Items(gDisplayConsole); }
std::vector<std::string> PrintConsoleItems() { return Items(gPrintConsole); }

// ---- Control panel ----

namespace {

void SetEnabled(XPWidgetID widget, int enabled) { XPSetWidgetProperty(widget, xpProperty_Enabled, enabled); }

XPWidgetID PushButton(int left, int top, int right, int bottom, const char* label, XPWidgetID container) {
    XPWidgetID button = XPCreateWidget(left, top, right, bottom, 1, label, 0, container, xpWidgetClass_Button);
    XPSetWidgetProperty(button, xpProperty_ButtonType, xpPushButton);
    return button;
}

XPWidgetID CheckBox(int left, int top, int right, int bottom, XPWidgetID container) {
    XPWidgetID box = XPCreateWidget(left, top, right, bottom, 1, "", 0, container, xpWidgetClass_Button);
    XPSetWidgetProperty(box, xpProperty_ButtonType, xpRadioButton);
    XPSetWidgetProperty(box, xpProperty_ButtonBehavior, xpButtonBehaviorCheckBox);
    XPSetWidgetProperty(box, xpProperty_ButtonState, 1);
    return box;
}

// Destroys a window and its children; a failure is logged and the window forgotten all the same.
void DestroyWindow(XPWidgetID& window, const char* what) {
    XPWidgetID doomed = window;
    window = nullptr;
    if (doomed) Guarded(what, [&] { XPDestroyWidget(doomed, 1); });
}

void ForgetPanel() {
    for (XPWidgetID* id : {&BrindlemoorWidget, &BrindlemoorWindow, &BrindlemoorDisplayConsole,
                           &BrindlemoorPrintConsole, &BrindlemoorPopup, &StartPythonButton, &StopPythonButton,
                           &ReLoadScripts, &ClearLB, &ReloadPlugins, &ScriptInfo, &EnableOutputFileCheckBox,
                           &EnableOutputFileText})
        *id = nullptr;
}

// Start, Stop and Reload end or begin the interpreter, so they are taken only from the user's
// clicks: never while script code runs below this call (a script sending the panel a button
// message), nor while one of them is under way.
bool gLifecycleUnderWay = false;

bool ScriptCodeRunning() { return gLifecycleUnderWay || BM_ScriptCodeRunning(); }

class LifecycleUnderWay {
public:
    LifecycleUnderWay() { gLifecycleUnderWay = true; }
    ~LifecycleUnderWay() { gLifecycleUnderWay = false; }
};

void ShowScriptsInPopup() {
    if (BrindlemoorPopup) XPSetWidgetDescriptor(BrindlemoorPopup, ScriptName.c_str());
}

// Starts the interpreter and the scripts; when it cannot start (the installation is broken),
// says why, and Start stays pressable to try again.
void StartFromPanel() {
    AddPrintItem("Starting Python");
    std::string cannotStart;
    if (!StartPython(1, &cannotStart)) {
        AddPrintItem(cannotStart.c_str());
        SetEnabled(StartPythonButton, 1);
        SetEnabled(StopPythonButton, 0);
        SetEnabled(ReLoadScripts, 0);
        return;
    }
    ShowScriptsInPopup();
    SetEnabled(StartPythonButton, 0);
    SetEnabled(StopPythonButton, 1);
    SetEnabled(ReLoadScripts, 1);
    AddPrintItem("Python Started");
}

void StopFromPanel() {
    SetEnabled(StartPythonButton, 1);
    SetEnabled(StopPythonButton, 0);
    SetEnabled(ReLoadScripts, 0);
    AddPrintItem("Stopping Python");
    StopPython(1);
    AddPrintItem("Python Stopped");
}

void ReloadFromPanel() {
    SetEnabled(StopPythonButton, 0);
    SetEnabled(ReLoadScripts, 0);
    AddPrintItem("Stopping Python");
    StopPython(1);
    AddPrintItem("Python Stopped");
    StartFromPanel();
}

void PrintScriptInformation() {
    // The popup's choice is whatever its property holds: it picks a script only when it is a
    // place in the list.
    PyObject* script = nullptr;
    if (curItem >= 0 && curItem < intptr_t(TestText.size()) && BMTestTable)
        script = BMTestTable->GetScriptIdFromModuleName(TestText[std::size_t(curItem)]);
    if (script) {
        std::string name, signature, description;
        BMTestTable->GetScriptDescriptions(script, name, signature, description);
        AddPrintItem("Script Information");
        AddPrintItem(Cut("Script Id :- " + ScriptIdText(script)).c_str());
        AddPrintItem(Cut("Name :- " + name).c_str());
        AddPrintItem(Cut("Signature :- " + signature).c_str());
        AddPrintItem(Cut("Description :- " + description).c_str());
    } else if (szPopupText == std::string(kFolderError) + ";") {
        AddPrintItem("PythonScripts Directory Error");
        AddPrintItem("Check that the PythonScripts Directory exists");
    } else {
        AddPrintItem("Script Not Loaded");
    }
}

int PanelMessage(XPWidgetMessage inMessage, intptr_t inParam1) {
    XPWidgetID source = reinterpret_cast<XPWidgetID>(inParam1);
    switch (inMessage) {
        case xpMessage_CloseButtonPushed:
            if (BM_MenuItem1 == 1) XPHideWidget(BrindlemoorWidget);
            return 1;
        case xpMsg_ButtonStateChanged:
            if (source && source == EnableOutputFileCheckBox)
                BM_OutputFileEnabled = XPGetWidgetProperty(EnableOutputFileCheckBox, xpProperty_ButtonState,
                                                           nullptr) != 0;
            return 1;
        case xpMsg_PushButtonPressed: {
            if (!source) return 0;
            if (source == ReloadPlugins) {
                XPLMReloadPlugins();
                return 1;
            }
            const char* lifecycle = source == StartPythonButton ? "Start Python"
                                    : source == StopPythonButton ? "Stop Python"
                                    : source == ReLoadScripts    ? "Reload Scripts"
                                                                 : nullptr;
            if (lifecycle) {
                if (ScriptCodeRunning()) {
                    BM_WriteToLog((std::string("Brindlemoor - ") + lifecycle +
                                   " was pressed while script code runs: ignored\n")
                                      .c_str());
                    return 1;
                }
                LifecycleUnderWay underWay;
                if (source == StartPythonButton) StartFromPanel();
                else if (source == StopPythonButton) StopFromPanel();
                else ReloadFromPanel();
                return 1;
            }
            if (source == ClearLB) {
                ClearDisplay();
                ClearPrint();
                return 1;
            }
            if (source == ScriptInfo) {
                PrintScriptInformation();
                return 1;
            }
            return 0;
        }
        case xpMsg_ListItemChosen:
            return 1;
        case xpMsg_PopupChoiceMade:
            if (BrindlemoorPopup) curItem = XPGetWidgetProperty(BrindlemoorPopup, xpProperty_PopupChoice, nullptr);
            return 1;
        default:
            return 0;
    }
}

}  // namespace

std::string BrindlemoorTitle() {
    return Cut(std::string("Brindlemoor ") + BrindlemoorVersionNumber + " " + BrindlemoorCredit).substr(0, 254);
}

void CreateBrindlemoor(int x, int y, int w, int h) {
    try {
        TakeThreadLines();
        BrindlemoorWidget = XPCreateWidget(x, y, x + w, y - h, 1, BrindlemoorTitle().c_str(), 1, nullptr,
                                           xpWidgetClass_MainWindow);
        XPSetWidgetProperty(BrindlemoorWidget, xpProperty_MainWindowHasCloseBoxes, 1);
        BrindlemoorWindow = XPCreateWidget(x + 50, y - 40, x + w - 50, y - h + 30, 1, "", 0, BrindlemoorWidget,
                                           xpWidgetClass_SubWindow);
        XPSetWidgetProperty(BrindlemoorWindow, xpProperty_SubWindowType, xpSubWindowStyle_SubWindow);
        BrindlemoorDisplayConsole = BM_CreateListBox(x + 70, y - 50, x + w - 70, y - 200, 1,
                                                     gDisplayConsole.pending.c_str(), BrindlemoorWidget);
        BrindlemoorPrintConsole = BM_CreateListBox(x + 70, y - 210, x + w - 70, y - 440, 1,
                                                   gPrintConsole.pending.c_str(), BrindlemoorWidget);
        for (Console* console : {&gDisplayConsole, &gPrintConsole}) {
            console->partialRows = 0;
            ShowPartialLine(*console);
        }
        StartPythonButton = PushButton(x + 70, y - 455, x + 160, y - 477, " Start Python", BrindlemoorWidget);
        StopPythonButton = PushButton(x + 170, y - 455, x + 260, y - 477, " Stop Python", BrindlemoorWidget);
        EnableOutputFileCheckBox = CheckBox(x + 270, y - 455, x + 292, y - 477, BrindlemoorWidget);
        EnableOutputFileText = XPCreateWidget(x + 293, y - 455, x + 393, y - 477, 1, "Enable Output File", 0,
                                              BrindlemoorWidget, xpWidgetClass_Caption);
        ReLoadScripts = PushButton(x + 70, y - 475, x + 160, y - 497, " Reload Scripts", BrindlemoorWidget);
        ClearLB = PushButton(x + 170, y - 475, x + 260, y - 497, " Clear LB", BrindlemoorWidget);
        ReloadPlugins = PushButton(x + 270, y - 475, x + 360, y - 497, " Reload Plugins", BrindlemoorWidget);
        ScriptInfo = PushButton(x + 290, y - 495, x + 360, y - 517, " Script Info", BrindlemoorWidget);
        BrindlemoorPopup = BM_CreatePopup(x + 75, y - 495, x + 275, y - 517, 1, szPopupText.c_str(),
                                          BrindlemoorWidget);
        SetEnabled(StartPythonButton, 0);
        SetEnabled(StopPythonButton, 1);
        SetEnabled(ReLoadScripts, 1);
        XPAddWidgetCallback(BrindlemoorWidget, BrindlemoorHandler);
        return;
    } catch (const std::exception& e) {
        LogFailure("creating the control panel", e.what());
    } catch (...) {
        LogFailure("creating the control panel", "unknown exception");
    }
    // Half a panel is no panel: what was made goes, and the next menu choice tries again.
    XPWidgetID made = BrindlemoorWidget;
    ForgetPanel();
    DestroyWindow(made, "destroying the control panel");
}

int BrindlemoorHandler(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t) {
    int answer = 0;
    if (inMessage == xpMsg_Destroy && inWidget && inWidget == BrindlemoorWidget) {
        // Destroyed by someone else (the plug-in forgets its panel before it destroys it): the
        // next menu choice builds it anew.
        ForgetPanel();
        BM_MenuItem1 = 0;
        return 0;
    }
    Guarded("the control panel", [&] {
        TakeThreadLines();
        answer = PanelMessage(inMessage, inParam1);
    });
    return answer;
}

// ---- Script windows ----

namespace {

// The information window's "Reload" button of each row, below the row's id where the signature
// and description are indented; shown on rows that list a script.
XPWidgetID ScriptInfoReloadButton[kScriptRows] = {};

bool IsScriptLoaded(PyObject* script) {
    return BMTestTable && Py_IsInitialized() && BMTestTable->GetScriptEnabledStatus(script) != 0;
}

void Describe(PyObject* script, std::string& name, std::string& signature, std::string& description) {
    if (BMTestTable) BMTestTable->GetScriptDescriptions(script, name, signature, description);
}

// Previous and Next are enabled where there is a page to go to.
void UpdatePageButtons(XPWidgetID previous, XPWidgetID next, int page) {
    SetEnabled(previous, page != 0);
    XPSetWidgetDescriptor(previous, "Previous");
    SetEnabled(next, page != MaxScreenNumber);
    XPSetWidgetDescriptor(next, "Next");
}

XPWidgetID Caption(int left, int top, int right, int bottom, const char* text, XPWidgetID container) {
    return XPCreateWidget(left, top, right, bottom, 1, text, 0, container, xpWidgetClass_Caption);
}

XPWidgetID LitCaption(int left, int top, int right, int bottom, XPWidgetID container) {
    XPWidgetID caption = Caption(left, top, right, bottom, "", container);
    XPSetWidgetProperty(caption, xpProperty_CaptionLit, 1);
    return caption;
}

void ForgetScriptInfo() {
    for (XPWidgetID* id : {&ScriptInfoWidget, &ScriptInfoPanel1, &ScriptInfoPanel2, &ScriptInfoRefreshButton,
                           &ScriptInfoPreviousButton, &ScriptInfoNextButton})
        *id = nullptr;
    for (int r = 0; r < 16; ++r) NameText[r] = SignatureText[r] = DescriptionText[r] = nullptr;
    for (XPWidgetID& button : ScriptInfoReloadButton) button = nullptr;
}

void ForgetScriptAdmin() {
    for (XPWidgetID* id : {&ScriptAdminWidget, &ScriptAdminPanel, &ScriptAdminCaption1, &ScriptAdminCaption2,
                           &ScriptAdminPreviousButton, &ScriptAdminNextButton})
        *id = nullptr;
    for (int r = 0; r < kScriptRows; ++r) ScriptAdminEdit[r] = ScriptAdminCheckBox[r] = nullptr;
}

// A closed script window stays hidden until its menu item builds a new one; then it goes.
void DropScriptInfo() {
    XPWidgetID window = ScriptInfoWidget;
    ForgetScriptInfo();
    DestroyWindow(window, "destroying the script information window");
}

void DropScriptAdmin() {
    XPWidgetID window = ScriptAdminWidget;
    ForgetScriptAdmin();
    DestroyWindow(window, "destroying the script enable / disable window");
}

// Builds a script window; when a step fails, what was made goes again.
template <typename Build>
bool BuildWindow(const char* what, Build build, void (*drop)()) {
    try {
        build();
        return true;
    } catch (const std::exception& e) {
        LogFailure(what, e.what());
    } catch (...) {
        LogFailure(what, "unknown exception");
    }
    drop();
    return false;
}

// A check box changed: every row of the page is applied, the script's lifecycle call first when
// it is disabled and last when it is enabled.
void ApplyScriptAdminPage() {
    for (int r = 0; r < kScriptRows; ++r) {
        std::size_t i = std::size_t(ScriptAdminScreenNumber) * kScriptRows + std::size_t(r);
        if (ScriptId.size() <= i || !ScriptId[i] || !BMTestTable) continue;
        PyObject* script = ScriptId[i];
        if (XPGetWidgetProperty(ScriptAdminCheckBox[r], xpProperty_ButtonState, nullptr) == 0) {
            if (IsScriptLoaded(script)) CallXPluginDisable(script);
            if (BMTestTable) BMTestTable->SetScriptEnabledStatus(script, 0);
        } else {
            BMTestTable->SetScriptEnabledStatus(script, 1);
            if (IsScriptLoaded(script)) CallXPluginEnable(script);
        }
    }
    if (BM_MenuItem3 == 1) RefreshScriptInfo();
}

}  // namespace

void GetScriptIds() {
    ScriptId.clear();
    NumberOfScriptIds = BMTestTable ? BMTestTable->GetScriptTableSize() : 0;
    // One item per entry, in its place: null for an entry whose script is not loaded (its
    // reload failed), so that every script keeps its row.
    for (int i = 0; i < NumberOfScriptIds; ++i) ScriptId.push_back(BMTestTable->GetScriptId(i));
    MaxScreenNumber = NumberOfScriptIds > 0 ? (NumberOfScriptIds - 1) / kScriptRows : 0;
}

void RefreshScriptInfo() {
    for (int r = 0; r < kScriptRows; ++r) {
        int i = ScriptInfoScreenNumber * kScriptRows + r;
        bool listed = i < NumberOfScriptIds && std::size_t(i) < ScriptId.size() && ScriptId[std::size_t(i)];
        // An entry whose script did not load again keeps its row, with its module's name and
        // its Reload button.
        bool notLoaded = !listed && i < NumberOfScriptIds && std::size_t(i) < ScriptId.size() && BMTestTable &&
                         i < BMTestTable->GetScriptTableSize() && !BMTestTable->GetScriptId(i);
        if (listed) {
            PyObject* script = ScriptId[std::size_t(i)];
            const char* state = BMTestTable && BMTestTable->GetScriptEnabledStatus(script) ? "Enabled" : "Disabled";
            std::string name, signature, description;
            Describe(script, name, signature, description);
            PyObject* first = BMTestTable ? BMTestTable->GetScriptIdFromSignature(signature) : nullptr;
            XPSetWidgetDescriptor(NameText[r],
                                  Cut("(" + ScriptIdText(first) + ") " + name + " (" + state + ")").c_str());
            XPSetWidgetDescriptor(SignatureText[r], Cut("Signature: " + signature).c_str());
            XPSetWidgetDescriptor(DescriptionText[r], description.c_str());
            if (ScriptInfoReloadButton[r]) XPShowWidget(ScriptInfoReloadButton[r]);
        } else if (notLoaded) {
            XPSetWidgetDescriptor(NameText[r], Cut(BMTestTable->ModuleNameAt(i) + " (Script Not Loaded)").c_str());
            XPSetWidgetDescriptor(SignatureText[r], "");
            XPSetWidgetDescriptor(DescriptionText[r], "");
            if (ScriptInfoReloadButton[r]) XPShowWidget(ScriptInfoReloadButton[r]);
        } else {
            XPSetWidgetDescriptor(NameText[r], "");
            XPSetWidgetDescriptor(SignatureText[r], "");
            XPSetWidgetDescriptor(DescriptionText[r], "");
            if (ScriptInfoReloadButton[r]) XPHideWidget(ScriptInfoReloadButton[r]);
        }
    }
    if (ScriptId.empty()) XPSetWidgetDescriptor(NameText[0], "You do not have any Scripts installed.");
    UpdatePageButtons(ScriptInfoPreviousButton, ScriptInfoNextButton, ScriptInfoScreenNumber);
}

void RefreshScriptAdmin() {
    XPSetWidgetDescriptor(ScriptAdminCaption1, ScriptId.empty() ? "You do not have any Scripts." : "Script Name");
    XPSetWidgetDescriptor(ScriptAdminCaption2, ScriptId.empty() ? "" : "Enabled");
    for (int r = 0; r < kScriptRows; ++r) {
        int i = ScriptAdminScreenNumber * kScriptRows + r;
        if (i < NumberOfScriptIds && std::size_t(i) < ScriptId.size() && ScriptId[std::size_t(i)]) {
            PyObject* script = ScriptId[std::size_t(i)];
            std::string name, signature, description;
            Describe(script, name, signature, description);
            XPSetWidgetDescriptor(ScriptAdminEdit[r], name.c_str());
            int enabled = BMTestTable && BMTestTable->GetScriptEnabledStatus(script) ? 1 : 0;
            XPSetWidgetProperty(ScriptAdminCheckBox[r], xpProperty_ButtonState, enabled);
            SetEnabled(ScriptAdminCheckBox[r], 1);
        } else {  // no entry, or one whose script is not loaded: an empty row
            XPSetWidgetDescriptor(ScriptAdminEdit[r], "");
            XPSetWidgetProperty(ScriptAdminCheckBox[r], xpProperty_ButtonState, 0);
            SetEnabled(ScriptAdminCheckBox[r], 0);
        }
    }
    UpdatePageButtons(ScriptAdminPreviousButton, ScriptAdminNextButton, ScriptAdminScreenNumber);
}

void CreateScriptInfo(int x, int y, int w, int h) {
    DropScriptInfo();
    BuildWindow("creating the script information window", [&] {
        ScriptId.clear();
        GetScriptIds();
        int c = x + w / 2;
        ScriptInfoWidget = XPCreateWidget(x, y, x + w, y - h, 1, "Script Information", 1, nullptr,
                                          xpWidgetClass_MainWindow);
        XPSetWidgetProperty(ScriptInfoWidget, xpProperty_MainWindowHasCloseBoxes, 1);
        ScriptInfoPanel1 = XPCreateWidget(x + 12, y - 31, x + w - 12, y - h + 12, 1, "", 0, ScriptInfoWidget,
                                          xpWidgetClass_SubWindow);
        XPSetWidgetProperty(ScriptInfoPanel1, xpProperty_SubWindowType, xpSubWindowStyle_SubWindow);
        ScriptInfoPanel2 = XPCreateWidget(x + 21, y - 41, x + w - 21, y - h + 49, 1, "", 0, ScriptInfoWidget,
                                          xpWidgetClass_SubWindow);
        XPSetWidgetProperty(ScriptInfoPanel2, xpProperty_SubWindowType, xpSubWindowStyle_Screen);
        ScriptInfoRefreshButton = XPCreateWidget(c - 140, y - h + 67, c - 70, y - h + 45, 0, "Refresh", 0,
                                                 ScriptInfoWidget, xpWidgetClass_Button);
        XPSetWidgetProperty(ScriptInfoRefreshButton, xpProperty_ButtonType, xpPushButton);
        ScriptInfoPreviousButton = PushButton(c - 75, y - h + 41, c - 5, y - h + 19, "Previous", ScriptInfoWidget);
        ScriptInfoNextButton = PushButton(c + 5, y - h + 41, c + 75, y - h + 19, "Next", ScriptInfoWidget);
        for (int r = 0; r < kScriptRows; ++r) {
            int t = y - 45 - 45 * r;
            NameText[r] = LitCaption(x + 30, t, x + 318, t - 20, ScriptInfoWidget);
            SignatureText[r] = LitCaption(x + 75, t - 12, x + 310, t - 32, ScriptInfoWidget);
            DescriptionText[r] = LitCaption(x + 75, t - 24, x + 310, t - 44, ScriptInfoWidget);
            ScriptInfoReloadButton[r] = PushButton(x + 26, t - 15, x + 72, t - 35, "Reload", ScriptInfoWidget);
            XPHideWidget(ScriptInfoReloadButton[r]);
        }
        RefreshScriptInfo();
        XPAddWidgetCallback(ScriptInfoWidget, ScriptInfoHandler);
    }, DropScriptInfo);
}

void CreateScriptAdmin(int x, int y, int w, int h) {
    DropScriptAdmin();
    BuildWindow("creating the script enable / disable window", [&] {
        for (XPWidgetID& box : ScriptAdminCheckBox) box = nullptr;
        ScriptId.clear();
        GetScriptIds();
        int c = x + w / 2;
        ScriptAdminWidget = XPCreateWidget(x, y, x + w, y - h, 1, "Enable / Disable Scripts", 1, nullptr,
                                           xpWidgetClass_MainWindow);
        XPSetWidgetProperty(ScriptAdminWidget, xpProperty_MainWindowHasCloseBoxes, 1);
        ScriptAdminPanel = XPCreateWidget(x + 12, y - 32, x + w - 12, y - h + 15, 1, "", 0, ScriptAdminWidget,
                                          xpWidgetClass_SubWindow);
        XPSetWidgetProperty(ScriptAdminPanel, xpProperty_SubWindowType, xpSubWindowStyle_SubWindow);
        ScriptAdminCaption1 = Caption(x + 20, y - 38, x + 310, y - 54, "Script Name", ScriptAdminWidget);
        ScriptAdminCaption2 = Caption(x + 229, y - 38, x + 325, y - 54, "Enabled", ScriptAdminWidget);
        ScriptAdminPreviousButton =
            PushButton(c - 75, y - h + 43, c - 6, y - h + 21, "Previous", ScriptAdminWidget);
        ScriptAdminNextButton = PushButton(c + 5, y - h + 43, c + 75, y - h + 21, "Next", ScriptAdminWidget);
        for (int r = 0; r < kScriptRows; ++r) {
            ScriptAdminEdit[r] = XPCreateWidget(x + 20, y - 61 - 25 * r, x + 254, y - 81 - 25 * r, 1, "", 0,
                                                ScriptAdminWidget, xpWidgetClass_TextField);
            XPSetWidgetProperty(ScriptAdminEdit[r], xpProperty_TextFieldType, xpTextEntryField);
            SetEnabled(ScriptAdminEdit[r], 0);
            ScriptAdminCheckBox[r] = CheckBox(x + 256, y - 60 - 25 * r, x + 278, y - 82 - 25 * r, ScriptAdminWidget);
        }
        RefreshScriptAdmin();
        XPAddWidgetCallback(ScriptAdminWidget, ScriptAdminHandler);
    }, DropScriptAdmin);
}

namespace {
// A row's "Reload": the script listed in that row is queued for a reload. False for any other
// widget.
bool ReloadListedScript(XPWidgetID source) {
    for (int r = 0; r < kScriptRows; ++r) {
        if (!ScriptInfoReloadButton[r] || source != ScriptInfoReloadButton[r]) continue;
        std::size_t i = std::size_t(ScriptInfoScreenNumber) * kScriptRows + std::size_t(r);
        if (i >= ScriptId.size() || !BMTestTable) return true;
        std::string moduleName;
        if (PyObject* script = ScriptId[i]) {
            if (const std::string* name = BMTestTable->ModuleNameOf(script)) moduleName = *name;
        } else if (int(i) < BMTestTable->GetScriptTableSize() && !BMTestTable->GetScriptId(int(i))) {
            moduleName = BMTestTable->ModuleNameAt(int(i));  // a row whose script is not loaded
        }
        if (!moduleName.empty()) BM_RequestReload(moduleName);
        return true;
    }
    return false;
}
}  // namespace

bool BM_IsPluginWidget(XPWidgetID widget) {
    // The widgets inside the open windows, gathered again when a window opened or went.
    static XPWidgetID roots[3] = {};
    static std::vector<void*> inside;
    const XPWidgetID now[3] = {BrindlemoorWidget, ScriptInfoWidget, ScriptAdminWidget};
    if (!std::equal(now, now + 3, roots)) {
        std::vector<void*> gathered;
        for (XPWidgetID root : now)
            if (root) {
                std::vector<void*> subtree = BM_WidgetSubtree(root);
                gathered.insert(gathered.end(), subtree.begin(), subtree.end());
            }
        std::sort(gathered.begin(), gathered.end());
        inside.swap(gathered);
        std::copy(now, now + 3, roots);
    }
    return widget && std::binary_search(inside.begin(), inside.end(), static_cast<void*>(widget));
}

void BM_ScriptWindowsChanged() noexcept {
    Guarded("refreshing the script windows", [] {
        if (!ScriptInfoWidget && !ScriptAdminWidget) return;
        GetScriptIds();
        ScriptInfoScreenNumber = std::min(ScriptInfoScreenNumber, MaxScreenNumber);
        ScriptAdminScreenNumber = std::min(ScriptAdminScreenNumber, MaxScreenNumber);
        if (ScriptInfoWidget) RefreshScriptInfo();
        if (ScriptAdminWidget) RefreshScriptAdmin();
    });
}

int ScriptInfoHandler(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t) {
    int answer = 0;
    if (inMessage == xpMsg_Destroy && inWidget && inWidget == ScriptInfoWidget) {
        ForgetScriptInfo();
        BM_MenuItem3 = 0;
        return 0;
    }
    Guarded("the script information window", [&] {
        XPWidgetID source = reinterpret_cast<XPWidgetID>(inParam1);
        if (inMessage == xpMessage_CloseButtonPushed) {
            answer = 1;
            if (BM_MenuItem3 == 1) {
                XPHideWidget(ScriptInfoWidget);
                BM_MenuItem3 = 0;
            }
        } else if (inMessage == xpMsg_PushButtonPressed && source) {
            if (source == ScriptInfoRefreshButton) {
                answer = 1;
            } else if (ReloadListedScript(source)) {
                answer = 1;
                return;  // the reload is queued; the window shows the new script once it ran
            } else if (source == ScriptInfoPreviousButton) {
                answer = 1;
                ScriptInfoScreenNumber = std::max(ScriptInfoScreenNumber - 1, 0);
            } else if (source == ScriptInfoNextButton) {
                answer = 1;
                ScriptInfoScreenNumber = std::min(ScriptInfoScreenNumber + 1, MaxScreenNumber);
            }
            if (answer) RefreshScriptInfo();
        }
    });
    return answer;
}

int ScriptAdminHandler(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t) {
    int answer = 0;
    if (inMessage == xpMsg_Destroy && inWidget && inWidget == ScriptAdminWidget) {
        ForgetScriptAdmin();
        BM_MenuItem2 = 0;
        return 0;
    }
    Guarded("the script enable / disable window", [&] {
        XPWidgetID source = reinterpret_cast<XPWidgetID>(inParam1);
        if (inMessage == xpMessage_CloseButtonPushed) {
            answer = 1;
            if (BM_MenuItem2 == 1) {
                XPHideWidget(ScriptAdminWidget);
                BM_MenuItem2 = 0;
            }
        } else if (inMessage == xpMsg_PushButtonPressed && source) {
            if (source == ScriptAdminPreviousButton) {
                answer = 1;
                ScriptAdminScreenNumber = std::max(ScriptAdminScreenNumber - 1, 0);
                RefreshScriptAdmin();
            } else if (source == ScriptAdminNextButton) {
                answer = 1;
                ScriptAdminScreenNumber = std::min(ScriptAdminScreenNumber + 1, MaxScreenNumber);
                RefreshScriptAdmin();
            }
        } else if (inMessage == xpMsg_ButtonStateChanged) {
            ApplyScriptAdminPage();
        }
    });
    return answer;
}

// ---- Menu ----

namespace {
char kControlPanelRef[] = "ControlPanel";
char kScriptEnableDisableRef[] = "ScriptEnableDisable";
char kScriptInformationRef[] = "ScriptInformation";

bool IsRef(void* iRef, const char* ref) { return iRef && std::strcmp(static_cast<const char*>(iRef), ref) == 0; }

void ShowIfHidden(XPWidgetID window) {
    if (window && !XPIsWidgetVisible(window)) XPShowWidget(window);
}

XPLMMenuID gPluginMenu = nullptr;
}  // namespace

void* BM_PluginMenu() { return gPluginMenu; }

void SetupWidgets(const char*) {
    BM_RunOrLog("installing the menu", [] {
        XPLMMenuID plugins = XPLMFindPluginsMenu();
        int item = XPLMAppendMenuItem(plugins, "Brindlemoor", nullptr, 1);
        XPLMMenuID menu = XPLMCreateMenu("Brindlemoor", plugins, item, BrindlemoorMenuHandler, nullptr);
        gPluginMenu = menu;
        XPLMAppendMenuItem(menu, "Control Panel", kControlPanelRef, 1);
        XPLMAppendMenuItem(menu, "Script Enable / Disable", kScriptEnableDisableRef, 2);
        XPLMAppendMenuItem(menu, "Script Information", kScriptInformationRef, 3);
    });
    BM_MenuItem1 = BM_MenuItem2 = BM_MenuItem3 = 0;
    PublishConsole(gDisplayConsole, kDisplayConsoleDataRef);
    PublishConsole(gPrintConsole, kPrintConsoleDataRef);
}

void BrindlemoorMenuHandler(void*, void* iRef) {
    Guarded("the Brindlemoor menu", [&] {
        if (IsRef(iRef, kControlPanelRef)) {
            if (BM_MenuItem1 == 0) {
                CreateBrindlemoor(500, 650, 450, 550);
                if (BrindlemoorWidget) BM_MenuItem1 = 1;
            } else {
                ShowIfHidden(BrindlemoorWidget);
            }
        }
        if (IsRef(iRef, kScriptEnableDisableRef)) {
            if (BM_MenuItem2 == 0) {
                ScriptAdminScreenNumber = 0;
                CreateScriptAdmin(200, 550, 294, 305);
                if (ScriptAdminWidget) BM_MenuItem2 = 1;
            } else {
                ShowIfHidden(ScriptAdminWidget);
            }
        }
        if (IsRef(iRef, kScriptInformationRef)) {
            if (BM_MenuItem3 == 0) {
                ScriptInfoScreenNumber = 0;
                CreateScriptInfo(290, 680, 417, 476);
                if (ScriptInfoWidget) BM_MenuItem3 = 1;
            } else {
                ShowIfHidden(ScriptInfoWidget);
            }
        }
    });
}

void DestroyWidgets() {
    // An open popup menu would call back into a popup button that is about to go.
    Guarded("closing the popup menus", [] { BM_ClosePopups(); });
    XPWidgetID panel = BrindlemoorWidget;
    ForgetPanel();
    DestroyWindow(panel, "destroying the control panel");
    gPluginMenu = nullptr;  // the simulator takes it with the plug-in
    DropScriptAdmin();
    DropScriptInfo();
    BM_MenuItem1 = BM_MenuItem2 = BM_MenuItem3 = 0;
    ScriptId.clear();
    NumberOfScriptIds = MaxScreenNumber = 0;
    ScriptInfoScreenNumber = ScriptAdminScreenNumber = 0;
    curItem = 0;
    WithdrawConsole(gDisplayConsole);
    WithdrawConsole(gPrintConsole);
    for (Console* console : {&gDisplayConsole, &gPrintConsole}) {
        std::string().swap(console->pending);
        std::string().swap(console->partial);
        console->partialRows = 0;
    }
}
