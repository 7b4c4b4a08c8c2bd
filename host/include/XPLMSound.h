#ifndef XPLMSound_h
#define XPLMSound_h
/* Playing sound through the simulator's mixer: PCM buffers on its buses, placed in 3-D. */

#include <stdint.h>

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(XPLM400)
enum {
    xplm_AudioRadioCom1 = 0,
    xplm_AudioRadioCom2 = 1,
    xplm_AudioRadioPilot = 2,
    xplm_AudioRadioCopilot = 3,
    xplm_AudioExteriorAircraft = 4,
    xplm_AudioExteriorEnvironment = 5,
    xplm_AudioExteriorUnprocessed = 6,
    xplm_AudioInterior = 7,
    xplm_AudioUI = 8,
    xplm_AudioGround = 9,
    xplm_Master = 10
};
typedef int XPLMAudioBus;

enum {
    xplm_MasterBank = 0,
    xplm_RadioBank = 1
};
typedef int XPLMBankID;

#if defined(_FMOD_COMMON_H)
/* FMOD's own header came first: its types, and the simulator's FMOD objects. */
XPLM_API FMOD_STUDIO_SYSTEM * XPLMGetFMODStudio(void);
XPLM_API FMOD_CHANNELGROUP * XPLMGetFMODChannelGroup(XPLMAudioBus audioType);
#else
/* Without FMOD's header: as much of its types as the functions below need. */
/* The simulator answers FMOD's error codes too (30, 31 ...): FMOD_RESULT_FORCEINT, as FMOD's
   own enum has it, gives the type their range, so that a C++ plug-in may hold them. */
typedef enum FMOD_RESULT {
    FMOD_OK,
    FMOD_RESULT_FORCEINT = 65536
} FMOD_RESULT;
typedef enum FMOD_SOUND_FORMAT {
    FMOD_SOUND_FORMAT_PCM16 = 2
} FMOD_SOUND_FORMAT;
typedef struct FMOD_VECTOR {
    float x, y, z;
} FMOD_VECTOR;
typedef void FMOD_CHANNEL;
#endif

typedef void (*XPLMPCMComplete_f)(void * inRefcon, FMOD_RESULT status);

XPLM_API FMOD_CHANNEL * XPLMPlayPCMOnBus(void * audioBuffer, uint32_t bufferSize, FMOD_SOUND_FORMAT soundFormat,
                                        int freqHz, int numChannels, int loop, XPLMAudioBus audioType,
                                        XPLMPCMComplete_f inCallback, void * inRefcon);
XPLM_API FMOD_RESULT XPLMStopAudio(FMOD_CHANNEL * fmod_channel);
XPLM_API FMOD_RESULT XPLMSetAudioPosition(FMOD_CHANNEL * fmod_channel, FMOD_VECTOR * position,
                                          FMOD_VECTOR * velocity);
XPLM_API FMOD_RESULT XPLMSetAudioFadeDistance(FMOD_CHANNEL * fmod_channel, float min_fade_distance,
                                              float max_fade_distance);
XPLM_API FMOD_RESULT XPLMSetAudioVolume(FMOD_CHANNEL * fmod_channel, float source_volume);
XPLM_API FMOD_RESULT XPLMSetAudioPitch(FMOD_CHANNEL * fmod_channel, float audio_pitch_hz);
XPLM_API FMOD_RESULT XPLMSetAudioCone(FMOD_CHANNEL * fmod_channel, float inside_angle, float outside_angle,
                                      float outside_volume, FMOD_VECTOR * orientation);
#endif /* XPLM400 */

#ifdef __cplusplus
}
#endif

#endif
