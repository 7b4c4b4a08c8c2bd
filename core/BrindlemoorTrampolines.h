#ifndef BM_TRAMPOLINES_H
#define BM_TRAMPOLINES_H
// The native functions the simulator calls back, one per kind of callback, and their workers.
// The simulator's refcon (menu ref, window refcon, accessor refcons) is the record of the
// registration in the script table, which names the script, its callable and its own refcon;
// widget callbacks, which have no refcon, find theirs by widget. A worker calls the script
// only while the record is live and the script enabled; otherwise it answers what lets the
// simulator carry on as if the callback were not there (the simulator draws, the key goes on,
// the click is not taken, a disabled script's flight loop keeps its schedule). It turns the
// script's answer into what the simulator expects. Nothing raised escapes to the simulator.
//
// A script result that does not convert (a callback returning None, say) is reported like a
// raised exception, naming the script and the callback, and the row's "raised" value is
// returned: 1 from draw callbacks and key
// sniffers (the simulator goes on), 1.0 from flight loops (called again in a second), 0 from
// mouse clicks, right clicks, the mouse wheel and the camera, xplm_CursorDefault from cursors. A widget callback that returns no number did not handle the
// message (0); one that raises answers 1. Both are reported as the others are.

#include <cstdint>

typedef struct _object PyObject;

#include "XPLMCamera.h"
#include "XPLMDisplay.h"
#include "XPLMScenery.h"
#include "XPLMSound.h"
#include "XPLMMap.h"
#include "XPLMUtilities.h"
#include "XPWidgetDefs.h"

int BM_DrawCallback(XPLMDrawingPhase inPhase, int inIsBefore, void* inRefcon);
int BM_KeySnifferCallback(char inChar, XPLMKeyFlags inFlags, char inVirtualKey, void* inRefcon);
void BM_HotKeyCallback(void* inRefcon);
void BM_SharedDataCallback(void* inRefcon);
void BM_MenuCallback(void* inMenuRef, void* inItemRef);
int CameraControlCallback(XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl, void* inRefcon);
void BM_PlanesAvailableCallback(void* inRefcon);
float BM_FlightLoopCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                            void* inRefcon);
// A flight loop object's callback (XPLMCreateFlightLoop): the record is the refcon, as for the
// registered flight loops, whose answers it gives.
float BM_FlightLoopObjectCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                                  void* inRefcon);
// An asynchronous object load arrived (XPLMLoadObjectAsync); the refcon is the number its record
// was entered under (BM_KindObjectLoad), which is only looked up, never followed. A live record
// of an enabled script: the object becomes the script's (BM_AddObjectRecord), the callable gets
// (object, refcon), and the record goes. A record that went (its script stopped or reloaded)
// or a disabled script: the object is unloaded again and nothing is called.
void BM_ObjectLoadedCallback(XPLMObjectRef inObject, void* inRefcon);
// One load of `object` by `script`, unloaded when the record goes.
void BM_AddObjectRecord(PyObject* script, void* object);
// The plug-in's error callback: the report goes to the running script's error callback.
void BM_ErrorCallback(const char* inMessage);
// A sound's end (XPLMPlayPCMOnBus): its record is the refcon, whether or not the script gave a
// callable; the record goes with the sound.
void BM_SoundCompleteCallback(void* inRefcon, FMOD_RESULT status);
void BM_DrawWindowCallback(XPLMWindowID inWindowID, void* inRefcon);
void BM_KeyCallback(XPLMWindowID inWindowID, char inKey, XPLMKeyFlags inFlags, char inVirtualKey, void* inRefcon,
                    int losingFocus);
int BM_MouseClickCallback(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse, void* inRefcon);
// Modern windows: the right-click callback as the click's (0, not taken, while the script cannot
// answer), the cursor (xplm_CursorDefault) and the mouse wheel (0, not taken).
int BM_RightClickCallback(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse, void* inRefcon);
XPLMCursorStatus BM_CursorCallback(XPLMWindowID inWindowID, int x, int y, void* inRefcon);
int BM_MouseWheelCallback(XPLMWindowID inWindowID, int x, int y, int wheel, int clicks, void* inRefcon);
// A command handler: the script's answer, 1 (the command goes on) or 0 (it stops there); 1
// while the script cannot answer.
int BM_CommandCallback(XPLMCommandRef inCommand, XPLMCommandPhase inPhase, void* inRefcon);
// Map layers: the record is the refcon. The will-be-deleted callback also ends the record: the
// layer is gone (its map closed, or the script destroyed it); while the script removes the record
// itself (it stops, say) the callback passes the call through.
void BM_MapWillBeDeletedCallback(XPLMMapLayerID inLayer, void* inRefcon);
void BM_MapPrepCacheCallback(XPLMMapLayerID inLayer, const float* inTotalMapBoundsLeftTopRightBottom,
                             XPLMMapProjectionID projection, void* inRefcon);
void BM_MapDrawCallback(XPLMMapLayerID inLayer, const float* inMapBoundsLeftTopRightBottom, float zoomRatio,
                        float mapUnitsPerUserInterfaceUnit, XPLMMapStyle mapStyle, XPLMMapProjectionID projection,
                        void* inRefcon);
void BM_MapIconCallback(XPLMMapLayerID inLayer, const float* inMapBoundsLeftTopRightBottom, float zoomRatio,
                        float mapUnitsPerUserInterfaceUnit, XPLMMapStyle mapStyle, XPLMMapProjectionID projection,
                        void* inRefcon);
void BM_MapLabelCallback(XPLMMapLayerID inLayer, const float* inMapBoundsLeftTopRightBottom, float zoomRatio,
                         float mapUnitsPerUserInterfaceUnit, XPLMMapStyle mapStyle, XPLMMapProjectionID projection,
                         void* inRefcon);
// A map creation hook: the simulator keeps calling with the refcon it was given, which is the
// record's token (BM_ScriptTable::NewToken), looked up, never followed.
void BM_MapCreatedCallback(const char* mapIdentifier, void* refcon);
#if defined(XPLM400)
// Avionics: the script's answer before the device is drawn (0 keeps the simulator from drawing
// it; 1 while the script cannot answer); after it, the answer is ignored.
int BM_AvionicsBeforeCallback(XPLMDeviceID inDeviceID, int inIsBefore, void* inRefcon);
int BM_AvionicsAfterCallback(XPLMDeviceID inDeviceID, int inIsBefore, void* inRefcon);
#endif
// A custom widget's function (slot 0) and the first callback added to a widget (slot 1); the
// callbacks added after it get the widget functions of the further slots.
int BM_WidgetCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);
int BM_CustomWidgetCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);
// The widget function of a slot (0 to BM_ScriptTable::kWidgetSlots - 1).
XPWidgetFunc_t BM_WidgetFunctionOfSlot(int slot);

// The records a widget message points at (its mouse state, key state or geometry change) may be
// read only while a script's widget callback handles that message. Whether `address` is such a
// record, of that kind, now.
enum BM_WidgetRecordKind { BM_MouseStateRecord, BM_KeyStateRecord, BM_GeometryChangeRecord };
bool BM_IsLiveWidgetRecord(intptr_t address, BM_WidgetRecordKind kind);
// The record a widget message points at: its address (param1, or param2 for a reshape) and its
// kind. False for the messages that carry none.
bool BM_WidgetMessageRecord(int message, intptr_t param1, intptr_t param2, intptr_t* address,
                            BM_WidgetRecordKind* kind);

int CallUserDrawCallback(int inPhase, int inIsBefore, void* inRefcon);
int CallUserKeySnifferCallback(char inChar, int inFlags, unsigned char inVirtualKey, void* inRefcon);
int CallUserHotKeyCallback(void* inRefcon);
int CallUserSharedDataCallback(void* inRefcon);
int CallUserMenuCallback(void* inMenuRef, void* inItemRef);
int CallUserCameraControlCallback(XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl, void* inRefcon);
int CallUserPlanesAvailableCallback(void* inRefcon);
float CallUserFlightLoopCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop,
                                 int inCounter, void* inRefcon);
int CallUserErrorCallback(const char* inMessage);
int CallUserSoundCallback(void* inRefcon, int status);
int CallUserDrawWindowCallback(XPLMWindowID inWindowID, void* inRefcon);
int CallUserKeyCallback(XPLMWindowID inWindowID, char inKey, int inFlags, char inVirtualKey, void* inRefcon,
                        int losingFocus);
int CallUserMouseClickCallback(XPLMWindowID inWindowID, int x, int y, int inMouse, void* inRefcon);
int CallUserRightClickCallback(XPLMWindowID inWindowID, int x, int y, int inMouse, void* inRefcon);
int CallUserCursorCallback(XPLMWindowID inWindowID, int x, int y, void* inRefcon);
int CallUserMouseWheelCallback(XPLMWindowID inWindowID, int x, int y, int wheel, int clicks, void* inRefcon);
int CallUserCommandCallback(XPLMCommandRef inCommand, XPLMCommandPhase inPhase, void* inRefcon);
int CallUserWidgetCallback(int slot, int inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);

int CallUserGetDatai_Callback(void* inRefcon);
void CallUserSetDatai_Callback(void* inRefcon, int inValue);
float CallUserGetDataf_Callback(void* inRefcon);
void CallUserSetDataf_Callback(void* inRefcon, float inValue);
double CallUserGetDatad_Callback(void* inRefcon);
void CallUserSetDatad_Callback(void* inRefcon, double inValue);
int CallUserGetDatavi_Callback(void* inRefcon, int* outValues, int inOffset, int inMax);
void CallUserSetDatavi_Callback(void* inRefcon, int* inValues, int inOffset, int inCount);
int CallUserGetDatavf_Callback(void* inRefcon, float* outValues, int inOffset, int inMax);
void CallUserSetDatavf_Callback(void* inRefcon, float* inValues, int inOffset, int inCount);
int CallUserGetDatab_Callback(void* inRefcon, void* outValue, int inOffset, int inMaxLength);
void CallUserSetDatab_Callback(void* inRefcon, void* inValue, int inOffset, int inLength);

// Data accessors: the simulator's refcon is the accessor's block of callables for that direction.
int BM_GetDatai_Callback(void* inRefcon);
void BM_SetDatai_Callback(void* inRefcon, int inValue);
float BM_GetDataf_Callback(void* inRefcon);
void BM_SetDataf_Callback(void* inRefcon, float inValue);
double BM_GetDatad_Callback(void* inRefcon);
void BM_SetDatad_Callback(void* inRefcon, double inValue);
int BM_GetDatavi_Callback(void* inRefcon, int* outValues, int inOffset, int inMax);
void BM_SetDatavi_Callback(void* inRefcon, int* inValues, int inOffset, int inCount);
int BM_GetDatavf_Callback(void* inRefcon, float* outValues, int inOffset, int inMax);
void BM_SetDatavf_Callback(void* inRefcon, float* inValues, int inOffset, int inCount);
int BM_GetDatab_Callback(void* inRefcon, void* outValue, int inOffset, int inMaxLength);
void BM_SetDatab_Callback(void* inRefcon, void* inValue, int inOffset, int inLength);

#endif
