// XPLMSound: PCM sound played on the simulator's buses, placed in 3-D.
//
// A sound a script plays is a record of the script: the channel is its handle, the buffer is
// held (as a memoryview, so that a bytearray cannot be resized meanwhile) until the simulator is
// done with it, and its callable, if any, hears the end. The record goes when the sound ends;
// the sound stops when its script stops. The FMOD getters (XPLMGetFMODStudio,
// XPLMGetFMODChannelGroup) are not offered: their objects are only of use through FMOD's own
// C API, which Python cannot reach.
#include "BrindlemoorClass.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMSound.h"

namespace {

const char kModule[] = "XPLMSound";
constexpr int kInvalidHandle = 30;  // FMOD_ERR_INVALID_HANDLE: what an unknown channel answers

void StopSound(_CallbackRecordStruct& record) { XPLMStopAudio(record.handle); }

PyObject* PY_XPLMPlayPCMOnBus(PyObject*, PyObject* args) {
    PyObject *script, *buffer, *callable;
    Py_ssize_t size, refcon;
    int format, rate, channels, loop, bus;
    const char* function = "XPLMPlayPCMOnBus";
    if (!BM_ParseTuple(args, "OOniiiiiO" BM_H, &script, &buffer, &size, &format, &rate, &channels, &loop, &bus,
                       &callable, &refcon))
        return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    if (callable != Py_None && !BM_CheckCallable(callable, function, "inCallback")) return nullptr;
    PyObject* view = PyObject_CheckBuffer(buffer) ? PyMemoryView_FromObject(buffer) : nullptr;
    if (!view) {
        PyErr_Clear();
        return PyErr_Format(PyExc_TypeError,
                            "%s: audioBuffer must be a bytes-like object (bytes, bytearray, memoryview), not %.100s",
                            function, Py_TYPE(buffer)->tp_name);
    }
    Py_buffer* data = PyMemoryView_GET_BUFFER(view);
    const char* wrong = nullptr;
    if (!PyBuffer_IsContiguous(data, 'C'))
        wrong = "audioBuffer must be contiguous";
    else if (size < 2 * Py_ssize_t(channels < 1 ? 1 : channels) || size > data->len || size > Py_ssize_t(0xFFFFFFFFu))
        wrong = "bufferSize must hold one sample frame at least and no more than audioBuffer's bytes";
    else if (format != FMOD_SOUND_FORMAT_PCM16)
        wrong = "soundFormat must be FMOD_SOUND_FORMAT_PCM16 (2)";
    else if (rate <= 0)
        wrong = "freqHz must be above 0";
    else if (channels < 1)
        wrong = "numChannels must be 1 or more";
    else if (bus < xplm_AudioRadioCom1 || bus > xplm_Master)
        wrong = "audioType must be an audio bus, xplm_AudioRadioCom1 (0) to xplm_Master (10)";
    if (wrong) {
        Py_DECREF(view);
        return PyErr_Format(PyExc_ValueError, "%s: %s", function, wrong);
    }
    PyObject* kept = view;  // owned here until a record holds it
    PyObject* result = BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindSound, callable == Py_None ? nullptr : callable, BM_Refcon(refcon));
        record->kept = kept;
        kept = nullptr;
        FMOD_CHANNEL* channel = nullptr;
        if (BM_RegisterRecord(record, StopSound, [&] {
                channel = XPLMPlayPCMOnBus(data->buf, uint32_t(size), FMOD_SOUND_FORMAT(format), rate, channels, loop,
                                           bus, BM_SoundCompleteCallback, record);
                return channel != nullptr;
            }))
            BM_Table().SetHandle(record, channel);
        return BM_IntFromHandle(channel);
    });
    Py_XDECREF(kept);
    return result;
}

// A channel of the caller goes to the simulator, as does one that is no script's; another
// script's answers as an unknown channel does, without the simulator hearing of it.
template <typename Host>
PyObject* OnChannel(const char* function, Py_ssize_t channel, Host host) {
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (BM_ForeignHandle(BM_KindSound, BM_Handle(channel))) return BM_IntFromLong(kInvalidHandle);
        return BM_IntFromLong(long(host(BM_Handle(channel))));
    });
}

// An FMOD_VECTOR: {"x", "y", "z"} or a sequence of three numbers.
bool Vector(PyObject* given, const char* function, FMOD_VECTOR* out) {
    static const char* const kFields[] = {"x", "y", "z"};
    PyObject* fields[3];
    double values[3];
    if (!BM_StructArgument(given, function, kFields, 3, 3, fields)) return false;
    for (int i = 0; i < 3; ++i) {
        if (!BM_FieldDouble(fields[i], function, kFields[i], &values[i])) return false;
        if (!BM_FitsFloat(values[i])) {
            PyErr_Format(PyExc_OverflowError, "%s: field %s does not fit a C float", function, kFields[i]);
            return false;
        }
    }
    *out = FMOD_VECTOR{float(values[0]), float(values[1]), float(values[2])};
    return true;
}

PyObject* PY_XPLMStopAudio(PyObject*, PyObject* args) {
    Py_ssize_t channel;
    if (!BM_ParseTuple(args, BM_H, &channel)) return nullptr;
    return OnChannel("XPLMStopAudio", channel, [](void* c) { return XPLMStopAudio(c); });
}

PyObject* PY_XPLMSetAudioPosition(PyObject*, PyObject* args) {
    Py_ssize_t channel;
    PyObject *position, *velocity;
    const char* function = "XPLMSetAudioPosition";
    FMOD_VECTOR p, v;
    if (!BM_ParseTuple(args, BM_H "OO", &channel, &position, &velocity)) return nullptr;
    if (!Vector(position, function, &p) || !Vector(velocity, function, &v)) return nullptr;
    return OnChannel(function, channel, [&](void* c) { return XPLMSetAudioPosition(c, &p, &v); });
}

PyObject* PY_XPLMSetAudioFadeDistance(PyObject*, PyObject* args) {
    Py_ssize_t channel;
    float nearest, farthest;
    if (!BM_ParseTuple(args, BM_H "O&O&", &channel, BM_ConvertFloat, &nearest, BM_ConvertFloat, &farthest))
        return nullptr;
    return OnChannel("XPLMSetAudioFadeDistance", channel,
                     [&](void* c) { return XPLMSetAudioFadeDistance(c, nearest, farthest); });
}

PyObject* PY_XPLMSetAudioVolume(PyObject*, PyObject* args) {
    Py_ssize_t channel;
    float volume;
    if (!BM_ParseTuple(args, BM_H "O&", &channel, BM_ConvertFloat, &volume)) return nullptr;
    return OnChannel("XPLMSetAudioVolume", channel, [&](void* c) { return XPLMSetAudioVolume(c, volume); });
}

PyObject* PY_XPLMSetAudioPitch(PyObject*, PyObject* args) {
    Py_ssize_t channel;
    float pitch;
    if (!BM_ParseTuple(args, BM_H "O&", &channel, BM_ConvertFloat, &pitch)) return nullptr;
    return OnChannel("XPLMSetAudioPitch", channel, [&](void* c) { return XPLMSetAudioPitch(c, pitch); });
}

PyObject* PY_XPLMSetAudioCone(PyObject*, PyObject* args) {
    Py_ssize_t channel;
    float inside, outside, volume;
    PyObject* orientation;
    const char* function = "XPLMSetAudioCone";
    FMOD_VECTOR o;
    if (!BM_ParseTuple(args, BM_H "O&O&O&O", &channel, BM_ConvertFloat, &inside, BM_ConvertFloat, &outside,
                       BM_ConvertFloat, &volume, &orientation))
        return nullptr;
    if (!Vector(orientation, function, &o)) return nullptr;
    return OnChannel(function, channel, [&](void* c) { return XPLMSetAudioCone(c, inside, outside, volume, &o); });
}

const BM_Constant kConstants[] = {
    {"xplm_AudioRadioCom1", xplm_AudioRadioCom1},
    {"xplm_AudioRadioCom2", xplm_AudioRadioCom2},
    {"xplm_AudioRadioPilot", xplm_AudioRadioPilot},
    {"xplm_AudioRadioCopilot", xplm_AudioRadioCopilot},
    {"xplm_AudioExteriorAircraft", xplm_AudioExteriorAircraft},
    {"xplm_AudioExteriorEnvironment", xplm_AudioExteriorEnvironment},
    {"xplm_AudioExteriorUnprocessed", xplm_AudioExteriorUnprocessed},
    {"xplm_AudioInterior", xplm_AudioInterior},
    {"xplm_AudioUI", xplm_AudioUI},
    {"xplm_AudioGround", xplm_AudioGround},
    {"xplm_Master", xplm_Master},
    {"xplm_MasterBank", xplm_MasterBank},
    {"xplm_RadioBank", xplm_RadioBank},
    {"FMOD_OK", FMOD_OK},
    {"FMOD_SOUND_FORMAT_PCM16", FMOD_SOUND_FORMAT_PCM16},
};

#define BM_FMOD_RESULT                                                                                     \
    "Returns an FMOD result: FMOD_OK (0), 30 (FMOD_ERR_INVALID_HANDLE) for a channel that is not\n"    \
    "playing or is another script's, 31 (FMOD_ERR_INVALID_PARAM) for a value the simulator refuses."

PyMethodDef XPLMSoundMethods[] = {
    {"XPLMPlayPCMOnBus", PY_XPLMPlayPCMOnBus, METH_VARARGS,
     "Plays 16-bit PCM samples on one of the simulator's audio buses from its next sound update.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "audioBuffer: the samples, any bytes-like object (bytes, bytearray, memoryview; str under\n"
     "    2.7, an array.array under 3)\n"
     "bufferSize: how many of its bytes to play\n"
     "soundFormat: FMOD_SOUND_FORMAT_PCM16\n"
     "freqHz: the sample rate\n"
     "numChannels: 1 for mono, 2 for stereo ...\n"
     "loop: 1 plays it until stopped, 0 once\n"
     "audioType: the bus, xplm_AudioRadioCom1 ... xplm_Master\n"
     "inCallback: None, or callable(refcon, status) called once when the sound ends or is stopped\n"
     "    (status FMOD_OK)\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "The buffer is held until the sound ends; the sound belongs to the script and stops, without\n"
     "its callback, when the script stops.\n"
     "Returns the channel (an int) to set and stop it with, 0 when the simulator refused it.\n"
     "Raises TypeError for a buffer that is not bytes-like, ValueError for a size, format, rate,\n"
     "channel count or bus that is wrong."},
    {"XPLMStopAudio", PY_XPLMStopAudio, METH_VARARGS,
     "Stops a sound; its callback hears it at once.\n"
     "\n"
     "fmod_channel: the channel XPLMPlayPCMOnBus returned\n"
     "\n" BM_FMOD_RESULT},
    {"XPLMSetAudioPosition", PY_XPLMSetAudioPosition, METH_VARARGS,
     "Places a sound in local coordinates, making it a 3-D sound.\n"
     "\n"
     "fmod_channel: the channel XPLMPlayPCMOnBus returned\n"
     "position: {\"x\", \"y\", \"z\"} or (x, y, z) in metres\n"
     "velocity: {\"x\", \"y\", \"z\"} or (x, y, z) in metres per second\n"
     "\n" BM_FMOD_RESULT " Raises TypeError for a vector that is not one."},
    {"XPLMSetAudioFadeDistance", PY_XPLMSetAudioFadeDistance, METH_VARARGS,
     "Sets the distances over which a 3-D sound fades; both negative make it a 2-D sound again.\n"
     "\n"
     "fmod_channel: the channel XPLMPlayPCMOnBus returned\n"
     "min_fade_distance: up to this distance in metres the sound is at full volume\n"
     "max_fade_distance: beyond it the sound fades no further\n"
     "\n" BM_FMOD_RESULT},
    {"XPLMSetAudioVolume", PY_XPLMSetAudioVolume, METH_VARARGS,
     "Sets a sound's volume.\n"
     "\n"
     "fmod_channel: the channel XPLMPlayPCMOnBus returned\n"
     "source_volume: 0 silent, 1 as recorded, above 1 amplified\n"
     "\n" BM_FMOD_RESULT},
    {"XPLMSetAudioPitch", PY_XPLMSetAudioPitch, METH_VARARGS,
     "Sets the rate a sound plays at, which changes its pitch and its length.\n"
     "\n"
     "fmod_channel: the channel XPLMPlayPCMOnBus returned\n"
     "audio_pitch_hz: samples per second (the sound's own freqHz plays it as recorded)\n"
     "\n" BM_FMOD_RESULT},
    {"XPLMSetAudioCone", PY_XPLMSetAudioCone, METH_VARARGS,
     "Makes a 3-D sound directional.\n"
     "\n"
     "fmod_channel: the channel XPLMPlayPCMOnBus returned\n"
     "inside_angle: the cone of full volume, in degrees\n"
     "outside_angle: the cone beyond which outside_volume holds, in degrees\n"
     "outside_volume: the volume outside it, 0 to 1\n"
     "orientation: {\"x\", \"y\", \"z\"} or (x, y, z): where the cone points, in local coordinates\n"
     "\n" BM_FMOD_RESULT " Raises TypeError for a vector that is not one."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMSound() {
    BM_InitModule(kModule, XPLMSoundMethods, kConstants, int(sizeof(kConstants) / sizeof(kConstants[0])));
}
