// The log files and the guard of the plug-in's own steps: no Python here, so that lin.xpl, which
// loads the interpreter, writes the same log as the rest of the plug-in.
#include "BrindlemoorBase.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "ScriptPaths.h"
#include "XPLMUtilities.h"

int BM_OutputFileEnabled = 0;

BM_HostPaths BM_QueryHostPaths() {
    BM_HostPaths host;
    char buffer[1024] = {0};  // the simulator fills at most 512
    XPLMGetSystemPath(buffer);
    host.systemPath = buffer;
    const char* separator = XPLMGetDirectorySeparator();
    host.separator = separator ? separator : "/";
    return host;
}

namespace {

// The thread that first asks (the plug-in's loading), until XPluginStart names its own.
std::thread::id& SimulatorThread() {
    static std::thread::id thread = std::this_thread::get_id();
    return thread;
}

// Where the simulator's thread last found the simulator: other threads (a script's print) write
// there without asking it.
std::mutex gPathsLock;
BM_HostPaths gLastPaths;

BM_HostPaths LogPaths() {
    if (BM_OnSimulatorThread()) {
        BM_HostPaths host = BM_QueryHostPaths();
        std::lock_guard<std::mutex> hold(gPathsLock);
        gLastPaths = host;
        return host;
    }
    std::lock_guard<std::mutex> hold(gPathsLock);
    if (gLastPaths.systemPath.empty()) throw std::runtime_error("no log yet");
    return gLastPaths;
}

void AppendToScriptFile(const char* fileName, const char* text, std::size_t length) {
    if (!text) return;
    try {
        BM_HostPaths host = LogPaths();
        std::string hostPath = ScriptFilePath(host.systemPath, host.separator, fileName);
        std::string path;
        if (ConvertPath(hostPath, host.separator, &path) != 0) {
            XPLMDebugString("Brindlemoor - Unable to convert FilePath path\n");
            path = hostPath;
        }
        FILE* file = std::fopen(path.c_str(), "a");
        if (!file) return;
        std::fwrite(text, 1, length, file);
        std::fclose(file);
    } catch (...) {
        // A log write never fails its caller; the text is dropped.
    }
}

}  // namespace

void BM_MarkSimulatorThread() { SimulatorThread() = std::this_thread::get_id(); }

bool BM_OnSimulatorThread() { return std::this_thread::get_id() == SimulatorThread(); }

void BM_WriteBytesToLog(const char* text, std::size_t length) {
    AppendToScriptFile("BrindlemoorLog.txt", text, length);
}

void BM_WriteBytesToLog2(const char* text, std::size_t length) {
    if (BM_OutputFileEnabled) AppendToScriptFile("BrindlemoorOutput.txt", text, length);
}

void BM_WriteToLog(const char* text) {
    if (text) BM_WriteBytesToLog(text, std::strlen(text));
}

void BM_WriteToLog2(const char* text) {
    if (text) BM_WriteBytesToLog2(text, std::strlen(text));
}

bool BM_RunOrLog(const char* what, const std::function<void()>& step) {
    std::string error;
    try {
        step();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "unknown exception";
    }
    try {
        BM_WriteToLog((std::string("Brindlemoor - ") + what + " failed: " + error + "\n").c_str());
    } catch (...) {
        // out of memory while reporting: nothing more can be done
    }
    return false;
}
