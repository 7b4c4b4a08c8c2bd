// Spoken text, command keys and joystick buttons, paths in both of the simulator's forms, folder
// listings, versions and the simulator log.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstring>
#include <filesystem>

#include "HostState.h"
#include "bmhost/Control.h"
#include "XPLMPlugin.h"
#include "XPLMUtilities.h"

using namespace bmhost::detail;
namespace fs = std::filesystem;

namespace {
// Path buffers handed to these functions hold at least 512 bytes.
constexpr std::size_t kPathBuffer = 512;

struct Utilities {
    std::vector<std::string> spoken;
    std::vector<int> keyStrokes;
    std::vector<int> buttonEvents;
    std::vector<std::string> dataFiles;
    std::vector<std::pair<int, int>> simulatedKeys;
    int sceneryReloads = 0;
    bool classicPaths = false;
    std::string volume = "Disk";
} utilities;

// The classic form, unless the plug-in calling asked for native paths.
bool Classic() { return utilities.classicPaths && !FeatureEnabled(S().current, kNativePaths); }
char Separator() { return Classic() ? ':' : '/'; }

// The names of the virtual keys, by code; null where no key has the code.
const char* VirtualKeyName(unsigned char key) {
    static const struct {
        unsigned char key;
        const char* name;
    } kNames[] = {
        {0x08, "BACK"}, {0x09, "TAB"}, {0x0C, "CLEAR"}, {0x0D, "RETURN"}, {0x1B, "ESCAPE"}, {0x20, "SPACE"},
        {0x21, "PRIOR"}, {0x22, "NEXT"}, {0x23, "END"}, {0x24, "HOME"}, {0x25, "LEFT"}, {0x26, "UP"},
        {0x27, "RIGHT"}, {0x28, "DOWN"}, {0x29, "SELECT"}, {0x2A, "PRINT"}, {0x2B, "EXECUTE"},
        {0x2C, "SNAPSHOT"}, {0x2D, "INSERT"}, {0x2E, "DELETE"}, {0x2F, "HELP"}, {0x6A, "MULTIPLY"},
        {0x6B, "ADD"}, {0x6C, "SEPARATOR"}, {0x6D, "SUBTRACT"}, {0x6E, "DECIMAL"}, {0x6F, "DIVIDE"},
        {0xB0, "EQUAL"}, {0xB1, "MINUS"}, {0xB2, "RBRACE"}, {0xB3, "LBRACE"}, {0xB4, "QUOTE"},
        {0xB5, "SEMICOLON"}, {0xB6, "BACKSLASH"}, {0xB7, "COMMA"}, {0xB8, "SLASH"}, {0xB9, "PERIOD"},
        {0xBA, "BACKQUOTE"}, {0xBB, "ENTER"}, {0xBC, "NUMPAD_ENT"}, {0xBD, "NUMPAD_EQ"},
    };
    // Digits, letters, the keypad's digits and the function keys are named after their rows.
    static char generated[256][8];
    if (key >= 0x30 && key <= 0x39) return std::snprintf(generated[key], 8, "%c", key), generated[key];
    if (key >= 0x41 && key <= 0x5A) return std::snprintf(generated[key], 8, "%c", key), generated[key];
    if (key >= 0x60 && key <= 0x69) return std::snprintf(generated[key], 8, "NUMPAD%d", key - 0x60), generated[key];
    if (key >= 0x70 && key <= 0x87) return std::snprintf(generated[key], 8, "F%d", key - 0x6F), generated[key];
    for (const auto& row : kNames)
        if (row.key == key) return row.name;
    return nullptr;
}

void CopyPath(const std::string& path, char* out) {
    if (!out) return;
    std::size_t n = std::min(path.size(), kPathBuffer - 1);
    std::memcpy(out, path.data(), n);
    out[n] = '\0';
}
}  // namespace

std::string bmhost::detail::HostPath(const std::string& posixPath) {
    if (!Classic()) return posixPath;
    std::string path = posixPath;
    std::replace(path.begin(), path.end(), '/', ':');
    return utilities.volume + path;  // "/a/b/" becomes "Disk:a:b:"
}

std::string bmhost::detail::PosixPath(const std::string& hostPath) {
    if (!Classic()) return hostPath;
    std::string path = hostPath;
    if (path.compare(0, utilities.volume.size() + 1, utilities.volume + ":") == 0) path.erase(0, utilities.volume.size());
    std::replace(path.begin(), path.end(), ':', '/');
    return path;
}

void bmhost::detail::ResetUtilities() { utilities = Utilities(); }

namespace bmhost {
std::vector<std::string> SpokenTexts() { return utilities.spoken; }
std::vector<int> CommandKeyStrokes() { return utilities.keyStrokes; }
std::vector<int> ButtonEvents() { return utilities.buttonEvents; }
int ReloadSceneryCount() { return utilities.sceneryReloads; }
std::vector<std::string> DataFileEvents() { return utilities.dataFiles; }
std::vector<std::pair<int, int>> SimulatedKeyPresses() { return utilities.simulatedKeys; }
void SetClassicPaths(bool classic, const std::string& volume) {
    utilities.classicPaths = classic;
    utilities.volume = volume;
}
}  // namespace bmhost

void XPLMSpeakString(const char* inString) {
    BMHOST_ENTER();
    if (!inString) return HostWarning("XPLMSpeakString: no text");
    utilities.spoken.push_back(inString);
    AppendSimLog(std::string("Speech: ") + inString + "\n");
}

void XPLMCommandKeyStroke(XPLMCommandKeyID inKey) {
    BMHOST_ENTER();
    if (inKey < 0 || inKey >= xplm_key_max) return HostWarning("XPLMCommandKeyStroke: no command key " + std::to_string(inKey));
    utilities.keyStrokes.push_back(inKey);
    // The view keys choose the view, as the pilot would, once the plug-in's callback returned.
    if (inKey >= xplm_key_forward && inKey <= xplm_key_fullscrn2) {
        std::string view = bmhost::ViewNames()[std::size_t(inKey - xplm_key_forward)];
        RunWhenNoPluginRuns([view] { bmhost::ChangeView(view); });
    }
}

void XPLMCommandButtonPress(XPLMCommandButtonID inButton) {
    BMHOST_ENTER();
    if (inButton < 0 || inButton >= xplm_joy_max) return HostWarning("XPLMCommandButtonPress: no button " + std::to_string(inButton));
    utilities.buttonEvents.push_back(inButton);
}

void XPLMCommandButtonRelease(XPLMCommandButtonID inButton) {
    BMHOST_ENTER();
    if (inButton < 0 || inButton >= xplm_joy_max) return HostWarning("XPLMCommandButtonRelease: no button " + std::to_string(inButton));
    utilities.buttonEvents.push_back(~inButton);
}

const char* XPLMGetVirtualKeyDescription(char inVirtualKey) {
    BMHOST_ENTER();
    return VirtualKeyName(static_cast<unsigned char>(inVirtualKey));
}

void XPLMReloadScenery(void) {
    BMHOST_ENTER();
    ++utilities.sceneryReloads;
    PostSimulatorMessage(XPLM_MSG_SCENERY_LOADED, nullptr);
}

void XPLMGetSystemPath(char* outSystemPath) {
    BMHOST_ENTER();
    CopyPath(HostPath(bmhost::Root()), outSystemPath);
}

void XPLMGetPrefsPath(char* outPrefsPath) {
    BMHOST_ENTER();
    std::string folder = bmhost::Root() + "Output/preferences/";
    CopyPath(HostPath(S().prefsPathIsFolder ? folder : folder + "X-Plane.prf"), outPrefsPath);
}

const char* XPLMGetDirectorySeparator(void) {
    BMHOST_ENTER();
    return Classic() ? ":" : "/";
}

char* XPLMExtractFileAndPath(char* inFullPath) {
    BMHOST_ENTER();
    if (!inFullPath) return inFullPath;
    std::size_t len = std::strlen(inFullPath);
    if (len > 1 && inFullPath[len - 1] == Separator()) inFullPath[--len] = '\0';
    char* sep = std::strrchr(inFullPath, Separator());
    if (!sep) return inFullPath;
    *sep = '\0';
    return sep + 1;
}

int XPLMGetDirectoryContents(const char* inDirectoryPath, int inFirstReturn, char* outFileNames,
                             int inFileNameBufSize, char** outIndices, int inIndexCount,
                             int* outTotalFiles, int* outReturnedFiles) {
    BMHOST_ENTER();
    std::vector<std::string> names;
    std::error_code ec;
    if (inDirectoryPath) {
        for (const auto& entry : fs::directory_iterator(PosixPath(inDirectoryPath), ec))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());

    // Names go back to back, each with its NUL, and the list ends with one more NUL.
    int returned = 0;
    std::size_t used = 0;
    std::size_t capacity = inFileNameBufSize > 0 ? std::size_t(inFileNameBufSize) : 0;
    std::size_t first = inFirstReturn > 0 ? std::size_t(inFirstReturn) : 0;
    bool allFitted = true;
    for (std::size_t i = first; i < names.size(); ++i) {
        const std::string& name = names[i];
        bool textFits = outFileNames && used + name.size() + 2 <= capacity;
        bool indexFits = !outIndices || returned + 1 < inIndexCount;
        if (!textFits || !indexFits) {
            allFitted = false;
            break;
        }
        std::memcpy(outFileNames + used, name.c_str(), name.size() + 1);
        if (outIndices) outIndices[returned] = outFileNames + used;
        used += name.size() + 1;
        ++returned;
    }
    if (outFileNames && used < capacity) outFileNames[used] = '\0';
    if (outIndices && returned < inIndexCount) outIndices[returned] = nullptr;
    if (outTotalFiles) *outTotalFiles = int(names.size());
    if (outReturnedFiles) *outReturnedFiles = returned;
    if (ec) return 0;
    return allFitted ? 1 : 0;
}

int XPLMInitialized(void) {
    BMHOST_ENTER();
    return 1;
}

void XPLMGetVersions(int* outXPlaneVersion, int* outXPLMVersion, XPLMHostApplicationID* outHostID) {
    BMHOST_ENTER();
    if (outXPlaneVersion) *outXPlaneVersion = 12100;
    if (outXPLMVersion) *outXPLMVersion = 400;
    if (outHostID) *outHostID = xplm_Host_XPlane;
}

XPLMLanguageCode XPLMGetLanguage(void) {
    BMHOST_ENTER();
    return xplm_Language_English;
}

void bmhost::detail::AppendSimLog(const std::string& text) {
    S().simLog += text;
    if (FILE* f = std::fopen((bmhost::Root() + "Log.txt").c_str(), "ab")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

void XPLMDebugString(const char* inString) {
    BMHOST_ENTER();
    if (inString) AppendSimLog(inString);
}

namespace bmhost {
std::string SimLog() { return detail::S().simLog; }
}  // namespace bmhost

// ---- Data files ----
//
// A situation or a replay movie is a file under the simulator folder. Loading one succeeds when
// the file is there (a situation starts a new flight: XPLM_MSG_AIRPORT_LOADED follows); saving
// writes a one-line placeholder. Each load, save and clearing of the replay is recorded.

namespace {

const char* DataFileKind(XPLMDataFileType type) {
    if (type == xplm_DataFile_Situation) return "situation";
    if (type == xplm_DataFile_ReplayMovie) return "replay";
    return nullptr;
}

fs::path DataFilePath(const char* path) { return fs::path(bmhost::Root()) / PosixPath(path); }

}  // namespace

int XPLMLoadDataFile(XPLMDataFileType inFileType, const char* inFilePath) {
    BMHOST_ENTER();
    const char* kind = DataFileKind(inFileType);
    if (!kind) return HostWarning("XPLMLoadDataFile: no data file type " + std::to_string(inFileType)), 0;
    if (!inFilePath) {
        if (inFileType == xplm_DataFile_Situation) return HostWarning("XPLMLoadDataFile: a situation needs a path"), 0;
        utilities.dataFiles.push_back("clear replay");
        return 1;
    }
    std::error_code ec;
    if (!fs::is_regular_file(DataFilePath(inFilePath), ec)) return 0;
    utilities.dataFiles.push_back(std::string("load ") + kind + " " + inFilePath);
    if (inFileType == xplm_DataFile_Situation) PostSimulatorMessage(XPLM_MSG_AIRPORT_LOADED, nullptr);
    return 1;
}

int XPLMSaveDataFile(XPLMDataFileType inFileType, const char* inFilePath) {
    BMHOST_ENTER();
    const char* kind = DataFileKind(inFileType);
    if (!kind) return HostWarning("XPLMSaveDataFile: no data file type " + std::to_string(inFileType)), 0;
    if (!inFilePath) return HostWarning("XPLMSaveDataFile: no path"), 0;
    std::ofstream out(DataFilePath(inFilePath), std::ios::binary | std::ios::trunc);
    if (!(out << "stand-in " << kind << "\n")) return 0;
    utilities.dataFiles.push_back(std::string("save ") + kind + " " + inFilePath);
    return 1;
}

// ---- Errors, symbols, raw keys ----

void XPLMSetErrorCallback(XPLMError_f inCallback) {
    BMHOST_ENTER();
    Plugin* plugin = FindPlugin(S().current);
    if (!plugin) return HostWarning("XPLMSetErrorCallback: called outside any plug-in");
    plugin->errorCallback = inCallback;
}

// The SDK functions are the stand-in library's exported functions whose names start with "XP":
// looked up in that library alone, never in a plug-in or the system's libraries.
void* XPLMFindSymbol(const char* inString) {
    BMHOST_ENTER();
    if (!inString || std::strncmp(inString, "XP", 2) != 0) return nullptr;
    static Dl_info self = [] {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void*>(&XPLMFindSymbol), &info)) info.dli_fname = nullptr;
        return info;
    }();
    static void* library = self.dli_fname ? dlopen(self.dli_fname, RTLD_LAZY | RTLD_NOLOAD) : nullptr;
    void* symbol = library ? dlsym(library, inString) : nullptr;
    Dl_info found{};
    if (!symbol || !dladdr(symbol, &found) || found.dli_fbase != self.dli_fbase) return nullptr;
    return symbol;
}

void XPLMSimulateKeyPress(int inKeyType, int inKey) {
    BMHOST_ENTER();
    utilities.simulatedKeys.emplace_back(inKeyType, inKey);
}
