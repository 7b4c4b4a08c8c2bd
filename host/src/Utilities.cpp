// Paths, folder listings and the simulator log.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "HostState.h"
#include "XPLMUtilities.h"

using namespace bmhost::detail;
namespace fs = std::filesystem;

namespace {
// Path buffers handed to these functions hold at least 512 bytes.
constexpr std::size_t kPathBuffer = 512;

void CopyPath(const std::string& path, char* out) {
    if (!out) return;
    std::size_t n = std::min(path.size(), kPathBuffer - 1);
    std::memcpy(out, path.data(), n);
    out[n] = '\0';
}
}  // namespace

void XPLMGetSystemPath(char* outSystemPath) {
    BMHOST_ENTER();
    CopyPath(bmhost::Root(), outSystemPath);
}

void XPLMGetPrefsPath(char* outPrefsPath) {
    BMHOST_ENTER();
    std::string folder = bmhost::Root() + "Output/preferences/";
    CopyPath(S().prefsPathIsFolder ? folder : folder + "X-Plane.prf", outPrefsPath);
}

const char* XPLMGetDirectorySeparator(void) {
    BMHOST_ENTER();
    return "/";
}

char* XPLMExtractFileAndPath(char* inFullPath) {
    BMHOST_ENTER();
    if (!inFullPath) return inFullPath;
    std::size_t len = std::strlen(inFullPath);
    if (len > 1 && inFullPath[len - 1] == '/') inFullPath[--len] = '\0';
    char* sep = std::strrchr(inFullPath, '/');
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
        for (const auto& entry : fs::directory_iterator(inDirectoryPath, ec))
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
    if (outXPlaneVersion) *outXPlaneVersion = 945;
    if (outXPLMVersion) *outXPLMVersion = 200;
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
void bmhost::detail::ResetUtilities() {}
