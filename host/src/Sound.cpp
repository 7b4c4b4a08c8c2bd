// Sound: PCM buffers played on the simulator's buses, mixed in simulator time.
//
// A sound keeps the plug-in's buffer (it is read, not copied, until the sound is done), starts at
// the sound step of the next frame (after the flight loops) and plays at its rate, or at the rate
// XPLMSetAudioPitch gave it, for as long as its samples last in simulator time; a looping one
// until it is stopped. Each frame's sound step mixes what played since the last one at 48,000
// samples a second in stereo: a mono sound goes to both sides, a sound of more channels its first
// two; volume multiplies; a sound placed in 3-D is attenuated by its distance from the camera as
// FMOD's inverse roll-off does (min / distance beyond the minimum distance, no further beyond
// the maximum). The mix is kept while capturing (bmhost::CaptureAudio) and written as a WAV file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "HostState.h"
#include "XPLMSound.h"

using namespace bmhost::detail;

namespace {

constexpr int kMixRate = 48000;
constexpr FMOD_RESULT kInvalidHandle = FMOD_RESULT(30);  // FMOD_ERR_INVALID_HANDLE
constexpr FMOD_RESULT kInvalidParam = FMOD_RESULT(31);   // FMOD_ERR_INVALID_PARAM

struct Channel {
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    bmhost::SoundRecord record;
    const std::int16_t* samples = nullptr;  // the plug-in's buffer
    std::size_t frames = 0;                 // samples per channel
    XPLMPCMComplete_f callback = nullptr;
    void* refcon = nullptr;
    // Where it plays: at output frame n, frame base + (n - baseIndex) * rate / kMixRate of the
    // sound (counted on past its end while looping), exact for whole rates.
    double base = 0.0;
    std::size_t baseIndex = 0;
};

struct Sounds {
    std::vector<Channel> channels;  // by handle index; done ones stay
    std::vector<std::size_t> live;  // the queued and playing ones, in the order played
    bool capturing = false;
    std::vector<float> mix;        // interleaved left, right
    std::size_t mixedUpTo = 0;     // output frames mixed so far, from the clock's 0
};

Sounds& A() {
    static Sounds sounds;
    return sounds;
}

bool Active(const Channel& c) { return c.record.state == "queued" || c.record.state == "playing"; }

Channel* ChannelOf(FMOD_CHANNEL* handle) {
    std::size_t index;
    if (!DecodeHandle(handle, HandleKind::Sound, &index) || index >= A().channels.size()) return nullptr;
    Channel& c = A().channels[index];
    return Active(c) ? &c : nullptr;
}

// Ends a sound; its callback hears of it unless the sound was swept with its plug-in or that
// plug-in is disabled.
void End(Channel& c, const char* how, bool tell) {
    c.record.state = how;
    XPLMPCMComplete_f callback = c.callback;
    c.callback = nullptr;
    c.samples = nullptr;
    Plugin* plugin = FindPlugin(c.owner);
    if (!tell || !callback || (plugin && !plugin->enabled)) return;
    void* refcon = c.refcon;
    CallPluginCode(c.owner, "a sound's completion callback", [&] { callback(refcon, FMOD_OK); });
}

// The gain of a channel for this frame: volume, and distance from the camera when in 3-D.
float Gain(const Channel& c) {
    float gain = c.record.volume;
    if (!c.record.threeD) return gain;
    XPLMCameraPosition_t camera = bmhost::CameraPosition();
    double dx = c.record.position[0] - camera.x, dy = c.record.position[1] - camera.y,
           dz = c.record.position[2] - camera.z;
    double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    double nearest = std::max(1e-3f, c.record.fadeMin);
    distance = std::min(distance, double(std::max(c.record.fadeMin, c.record.fadeMax)));
    return distance <= nearest ? gain : float(gain * nearest / distance);
}

double PositionAt(const Channel& c, std::size_t n) {
    return c.base + double(n - c.baseIndex) * double(c.record.pitch) / kMixRate;
}

// Mixes a channel into output frames [from, to).
void Mix(const Channel& c, std::size_t from, std::size_t to) {
    Sounds& a = A();
    const float gain = Gain(c) / 32768.0f;
    const std::size_t channels = std::size_t(c.record.channels);
    for (std::size_t n = from; n < to; ++n) {
        double position = PositionAt(c, n);
        if (position >= double(c.frames)) {
            if (!c.record.loop) return;
            position = std::fmod(position, double(c.frames));
        }
        const std::int16_t* frame = c.samples + std::size_t(position) * channels;
        a.mix[2 * n] += frame[0] * gain;
        a.mix[2 * n + 1] += frame[channels > 1 ? 1 : 0] * gain;
    }
}

FMOD_RESULT Refuse(const char* function, const std::string& why, FMOD_RESULT result) {
    HostWarning(std::string(function) + ": " + why);
    return result;
}

// The setters' common part: the channel, or a report and the FMOD error.
template <typename Change>
FMOD_RESULT Set(const char* function, FMOD_CHANNEL* handle, Change change) {
    Channel* c = ChannelOf(handle);
    if (!c) return Refuse(function, "no such sound playing", kInvalidHandle);
    return change(*c);
}

bool Finite(const FMOD_VECTOR* v) { return std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z); }

}  // namespace

namespace bmhost::detail {

void ResetSound() {
    Sounds& a = A();
    a.channels.clear();
    a.live.clear();
    a.mix.clear();
    a.mixedUpTo = 0;
    a.capturing = false;
}

void SoundFrame() {
    Sounds& a = A();
    // The output frame nearest the clock: frames of 1/60 s make 800 each.
    const std::size_t to = std::size_t(std::max(0.0, std::round(S().elapsed * kMixRate)));
    const std::size_t from = std::min(a.mixedUpTo, to);
    if (a.capturing) {
        a.mix.resize(2 * to, 0.0f);
        for (std::size_t i : a.live)
            if (a.channels[i].record.state == "playing") Mix(a.channels[i], from, to);
    }
    a.mixedUpTo = to;
    // Callbacks may play, stop and change sounds: the channels are found by index each time,
    // and the sounds they play wait for the next frame.
    const std::vector<std::size_t> live = a.live;
    for (std::size_t i : live) {
        Channel& c = a.channels[i];
        if (c.record.state == "playing" && !c.record.loop && PositionAt(c, to) >= double(c.frames) - 1e-9)
            End(c, "finished", true);
    }
    for (std::size_t i : live) {
        Channel& c = a.channels[i];
        if (c.record.state != "queued") continue;
        c.record.state = "playing";
        c.record.started = S().elapsed;
        c.baseIndex = to;
    }
    a.live.erase(std::remove_if(a.live.begin(), a.live.end(), [&](std::size_t i) { return !Active(a.channels[i]); }),
                 a.live.end());
}

void SweepSound(XPLMPluginID owner) {
    for (std::size_t i : A().live) {
        Channel& c = A().channels[i];
        if (Active(c) && c.owner == owner) End(c, "swept", false);
    }
}

int SoundRegistrations(XPLMPluginID plugin) {
    int n = 0;
    for (std::size_t i : A().live) {
        const Channel& c = A().channels[i];
        n += Active(c) && (plugin == XPLM_NO_PLUGIN_ID || c.owner == plugin);
    }
    return n;
}

}  // namespace bmhost::detail

namespace bmhost {

void CaptureAudio(bool on) {
    Sounds& a = A();
    if (on && !a.capturing) a.mix.assign(2 * a.mixedUpTo, 0.0f);
    a.capturing = on;
}

bool SaveAudio(const std::string& path, std::string* error) {
    const std::vector<float>& mix = A().mix;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    auto u32 = [&](std::uint32_t v) {
        unsigned char b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, file);
    };
    auto u16 = [&](std::uint16_t v) {
        unsigned char b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, file);
    };
    const std::uint32_t bytes = std::uint32_t(mix.size() * 2);
    std::fwrite("RIFF", 1, 4, file);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(kMixRate);
    u32(kMixRate * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, file);
    u32(bytes);
    for (float sample : mix) {
        long value = std::lround(std::max(-32768.0f, std::min(32767.0f, sample * 32768.0f)));
        u16(std::uint16_t(std::int16_t(value)));
    }
    bool written = std::fclose(file) == 0;
    if (!written && error) *error = "cannot write " + path;
    return written;
}

std::vector<SoundRecord> SoundsPlayed() {
    std::vector<SoundRecord> records;
    for (const Channel& c : A().channels) records.push_back(c.record);
    return records;
}

}  // namespace bmhost

// The FMOD objects: the stand-in mixes without FMOD, so there are none.
extern "C" XPLM_API void* XPLMGetFMODStudio(void) {
    BMHOST_ENTER();
    return nullptr;
}

extern "C" XPLM_API void* XPLMGetFMODChannelGroup(XPLMAudioBus audioType) {
    BMHOST_ENTER();
    (void)audioType;
    return nullptr;
}

FMOD_CHANNEL* XPLMPlayPCMOnBus(void* audioBuffer, uint32_t bufferSize, FMOD_SOUND_FORMAT soundFormat, int freqHz,
                               int numChannels, int loop, XPLMAudioBus audioType, XPLMPCMComplete_f inCallback,
                               void* inRefcon) {
    BMHOST_ENTER();
    std::string refused;
    if (!audioBuffer)
        refused = "no buffer";
    else if (soundFormat != FMOD_SOUND_FORMAT_PCM16)
        refused = "format " + std::to_string(int(soundFormat)) + " is not FMOD_SOUND_FORMAT_PCM16";
    else if (freqHz <= 0)
        refused = "a rate of " + std::to_string(freqHz) + " Hz";
    else if (numChannels < 1)
        refused = std::to_string(numChannels) + " channels";
    else if (audioType < xplm_AudioRadioCom1 || audioType > xplm_Master)
        refused = "no audio bus " + std::to_string(audioType);
    else if (bufferSize < 2u * unsigned(numChannels))
        refused = "a buffer of " + std::to_string(bufferSize) + " bytes holds no sample frame";
    if (!refused.empty()) {
        HostWarning("XPLMPlayPCMOnBus: " + refused);
        if (inCallback) {
            XPLMPluginID caller = S().current;
            CallPluginCode(caller, "a sound's completion callback", [&] { inCallback(inRefcon, kInvalidParam); });
        }
        return nullptr;
    }
    Sounds& a = A();
    Channel c;
    c.owner = S().current;
    c.samples = static_cast<const std::int16_t*>(audioBuffer);
    c.frames = bufferSize / (2u * unsigned(numChannels));
    c.callback = inCallback;
    c.refcon = inRefcon;
    c.record.plugin = c.owner;
    c.record.bus = audioType;
    c.record.rate = freqHz;
    c.record.channels = numChannels;
    c.record.loop = loop != 0;
    c.record.bytes = bufferSize;
    c.record.pitch = float(freqHz);
    c.record.state = "queued";
    c.record.played = S().elapsed;
    a.channels.push_back(c);
    a.live.push_back(a.channels.size() - 1);
    return MakeHandle(HandleKind::Sound, a.channels.size() - 1);
}

FMOD_RESULT XPLMStopAudio(FMOD_CHANNEL* fmod_channel) {
    BMHOST_ENTER();
    Channel* c = ChannelOf(fmod_channel);
    if (!c) return Refuse("XPLMStopAudio", "no such sound playing", kInvalidHandle);
    End(*c, "stopped", true);
    return FMOD_OK;
}

FMOD_RESULT XPLMSetAudioPosition(FMOD_CHANNEL* fmod_channel, FMOD_VECTOR* position, FMOD_VECTOR* velocity) {
    BMHOST_ENTER();
    return Set("XPLMSetAudioPosition", fmod_channel, [&](Channel& c) {
        bmhost::SoundRecord& r = c.record;
        if (!position || !velocity) return Refuse("XPLMSetAudioPosition", "no vector", kInvalidParam);
        if (!Finite(position) || !Finite(velocity))
            return Refuse("XPLMSetAudioPosition", "a vector is not a number", kInvalidParam);
        r.threeD = true;
        r.position = {position->x, position->y, position->z};
        r.velocity = {velocity->x, velocity->y, velocity->z};
        return FMOD_OK;
    });
}

FMOD_RESULT XPLMSetAudioFadeDistance(FMOD_CHANNEL* fmod_channel, float min_fade_distance, float max_fade_distance) {
    BMHOST_ENTER();
    return Set("XPLMSetAudioFadeDistance", fmod_channel, [&](Channel& c) {
        bmhost::SoundRecord& r = c.record;
        if (!std::isfinite(min_fade_distance) || !std::isfinite(max_fade_distance))
            return Refuse("XPLMSetAudioFadeDistance", "a distance is not a number", kInvalidParam);
        if (min_fade_distance < 0 && max_fade_distance < 0) {  // back to 2-D
            r.threeD = false;
            return FMOD_OK;
        }
        if (min_fade_distance <= 0 || max_fade_distance < min_fade_distance)
            return Refuse("XPLMSetAudioFadeDistance", "the distances must be 0 < min <= max", kInvalidParam);
        r.threeD = true;
        r.fadeMin = min_fade_distance;
        r.fadeMax = max_fade_distance;
        return FMOD_OK;
    });
}

FMOD_RESULT XPLMSetAudioVolume(FMOD_CHANNEL* fmod_channel, float source_volume) {
    BMHOST_ENTER();
    return Set("XPLMSetAudioVolume", fmod_channel, [&](Channel& c) {
        bmhost::SoundRecord& r = c.record;
        if (!std::isfinite(source_volume) || source_volume < 0)
            return Refuse("XPLMSetAudioVolume", "a volume below 0 or not a number", kInvalidParam);
        r.volume = source_volume;
        return FMOD_OK;
    });
}

FMOD_RESULT XPLMSetAudioPitch(FMOD_CHANNEL* fmod_channel, float audio_pitch_hz) {
    BMHOST_ENTER();
    return Set("XPLMSetAudioPitch", fmod_channel, [&](Channel& c) {
        bmhost::SoundRecord& r = c.record;
        if (!std::isfinite(audio_pitch_hz) || audio_pitch_hz <= 0)
            return Refuse("XPLMSetAudioPitch", "a rate of 0 Hz or less, or not a number", kInvalidParam);
        if (r.state == "playing") {  // from here on at the new rate
            c.base = PositionAt(c, A().mixedUpTo);
            c.baseIndex = A().mixedUpTo;
        }
        r.pitch = audio_pitch_hz;
        return FMOD_OK;
    });
}

FMOD_RESULT XPLMSetAudioCone(FMOD_CHANNEL* fmod_channel, float inside_angle, float outside_angle, float outside_volume,
                             FMOD_VECTOR* orientation) {
    BMHOST_ENTER();
    return Set("XPLMSetAudioCone", fmod_channel, [&](Channel& c) {
        bmhost::SoundRecord& r = c.record;
        if (!orientation) return Refuse("XPLMSetAudioCone", "no vector", kInvalidParam);
        if (!Finite(orientation) || !std::isfinite(inside_angle) || !std::isfinite(outside_angle) ||
            !std::isfinite(outside_volume))
            return Refuse("XPLMSetAudioCone", "a value is not a number", kInvalidParam);
        r.threeD = true;
        r.cone = {inside_angle, outside_angle, outside_volume};
        r.orientation = {orientation->x, orientation->y, orientation->z};
        return FMOD_OK;
    });
}
