// A second plug-in for the tests: it writes down every message it receives, and competes for the
// aircraft and the camera when a message tells it to.
//
// Its log, one line per event, read through BMRecorder_Log():
//     from 0 message 102 param 0          a message; the parameter as an integer
//     from 3 message 15728641 text "hi"   message 0x00F00001: the parameter is a C string
//     acquire 1                           what XPLMAcquirePlanes answered
//     planes available                    its XPLMPlanesAvailable_f was called
//     camera                              its camera function was called for a frame
//     camera lost                         ... with inIsLosingControl 1
// Each line is also written to the simulator log with "recorder: " before it.
//
// Messages it carries out (after writing them down):
//     0x00F00002  XPLMAcquirePlanes(param as the char ** list of models, a callback)
//     0x00F00003  XPLMReleasePlanes
//     0x00F00004  XPLMControlCamera for ever; a non-null param is an XPLMCameraPosition_t to
//                 place the camera at every frame (the camera stays put otherwise)
//     0x00F00005  XPLMDontControlCamera
//     0x00F00006  XPLMControlCamera until the view changes, param as for 0x00F00004
// With BM_RECORDER_CAMERA set to "forever" or "until" in its environment it takes the camera so
// when it is enabled; with BM_RECORDER_SPEAK set to a text it speaks the text when it is enabled,
// and the text and the loop counter every second flight loop; with BM_RECORDER_REFUSE_START set,
// its XPluginStart answers 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "RecorderPlugin.h"
#include "XPLMCamera.h"
#include "XPLMPlanes.h"
#include "XPLMPlugin.h"
#include "XPLMProcessing.h"
#include "XPLMUtilities.h"

namespace {

using namespace bmrecorder;

std::string gLog;
bool gPlaced = false;
XPLMCameraPosition_t gPlace{};

void Note(const std::string& line) {
    gLog += line + "\n";
    XPLMDebugString(("recorder: " + line + "\n").c_str());
}

void PlanesAvailable(void*) { Note("planes available"); }

int Camera(XPLMCameraPosition_t* position, int losing, void*) {
    Note(losing ? "camera lost" : "camera");
    if (!losing && position && gPlaced) *position = gPlace;
    return 1;
}

float Speak(float, float, int counter, void*) {
    XPLMSpeakString((std::string(std::getenv("BM_RECORDER_SPEAK")) + " " + std::to_string(counter)).c_str());
    return -2.0f;
}

void TakeCamera(XPLMCameraControlDuration howLong, void* place) {
    gPlaced = place != nullptr;
    if (place) std::memcpy(&gPlace, place, sizeof gPlace);
    XPLMControlCamera(howLong, Camera, nullptr);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const char* BMRecorder_Log() { return gLog.c_str(); }

PLUGIN_API int XPluginStart(char* outName, char* outSignature, char* outDescription) {
    gLog.clear();  // a library opened again may keep what it had
    gPlaced = false;
    std::strcpy(outName, "Recorder");
    std::strcpy(outSignature, "brindlemoor.test.recorder");
    std::strcpy(outDescription, "Writes down the messages it receives");
    if (std::getenv("BM_RECORDER_SPEAK")) XPLMRegisterFlightLoopCallback(Speak, -2.0f, nullptr);
    return std::getenv("BM_RECORDER_REFUSE_START") ? 0 : 1;
}

PLUGIN_API void XPluginStop(void) {}

PLUGIN_API int XPluginEnable(void) {
    const char* camera = std::getenv("BM_RECORDER_CAMERA");
    if (camera && std::strcmp(camera, "forever") == 0) TakeCamera(xplm_ControlCameraForever, nullptr);
    if (camera && std::strcmp(camera, "until") == 0) TakeCamera(xplm_ControlCameraUntilViewChanges, nullptr);
    if (const char* text = std::getenv("BM_RECORDER_SPEAK")) XPLMSpeakString(text);
    return 1;
}

PLUGIN_API void XPluginDisable(void) {}

PLUGIN_API void XPluginReceiveMessage(XPLMPluginID inFromWho, int inMessage, void* inParam) {
    std::string line = "from " + std::to_string(inFromWho) + " message " + std::to_string(inMessage);
    if (inMessage == kText && inParam)
        line += " text \"" + std::string(static_cast<const char*>(inParam)) + "\"";
    else
        line += " param " + std::to_string(reinterpret_cast<std::intptr_t>(inParam));
    Note(line);
    switch (inMessage) {
        case kAcquirePlanes:
            Note("acquire " + std::to_string(XPLMAcquirePlanes(static_cast<char**>(inParam), PlanesAvailable, nullptr)));
            break;
        case kReleasePlanes:
            XPLMReleasePlanes();
            break;
        case kCameraForever:
            TakeCamera(xplm_ControlCameraForever, inParam);
            break;
        case kCameraUntilViewChanges:
            TakeCamera(xplm_ControlCameraUntilViewChanges, inParam);
            break;
        case kCameraRelease:
            XPLMDontControlCamera();
            break;
        default:
            break;
    }
}
