// The stand-in's sound as a plug-in written in C sees it: refused sounds and setters, the 3-D
// fade in the mix, and sounds swept with their plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMSound.h"
#include "bmhost/Control.h"

namespace {

std::vector<std::string> gEnds;  // "refcon status" of each callback, in order
void Ended(void* refcon, FMOD_RESULT status) {
    gEnds.push_back(std::string(static_cast<const char*>(refcon)) + " " + std::to_string(int(status)));
}

std::vector<std::int16_t> gSamples(800, 16384);  // 0.1 s at 8000 Hz, half the full scale

FMOD_CHANNEL* Play(const char* tag, int loop = 0, int rate = 8000, XPLMAudioBus bus = xplm_AudioUI,
                   uint32_t bytes = 1600, void* buffer = gSamples.data(), FMOD_SOUND_FORMAT format = FMOD_SOUND_FORMAT_PCM16,
                   int channels = 1) {
    return XPLMPlayPCMOnBus(buffer, bytes, format, rate, channels, loop, bus, Ended, const_cast<char*>(tag));
}

class SoundStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        bmhost::Reset();
        gEnds.clear();
        std::string error;
        plugin_ = bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH, &error);
        ASSERT_NE(plugin_, XPLM_NO_PLUGIN_ID) << error;
        bmhost::EnablePlugins();
    }
    bmtest::SimFolder sim_;
    XPLMPluginID plugin_ = XPLM_NO_PLUGIN_ID;
};

// A sound that cannot play gives NULL, a report and its callback at once with 31; the setters
// answer 30 for a channel not playing and 31 for values they refuse.
TEST_F(SoundStandIn, RefusedSoundsAndValuesAreReported) {
    bmhost::RunAsPlugin(plugin_, [] {
        EXPECT_EQ(Play("no buffer", 0, 8000, xplm_AudioUI, 1600, nullptr), nullptr);
        EXPECT_EQ(Play("format", 0, 8000, xplm_AudioUI, 1600, gSamples.data(), FMOD_SOUND_FORMAT(3)), nullptr);
        EXPECT_EQ(Play("rate", 0, 0), nullptr);
        EXPECT_EQ(Play("bus", 0, 8000, 11), nullptr);
        EXPECT_EQ(Play("short", 0, 8000, xplm_AudioUI, 3, gSamples.data(), FMOD_SOUND_FORMAT_PCM16, 2), nullptr);
        FMOD_CHANNEL* c = Play("kept", 1);
        FMOD_VECTOR v{0, 0, 0}, nan{0, 0, std::nanf("")};
        const std::pair<FMOD_RESULT, FMOD_RESULT> answers[] = {
            {XPLMSetAudioVolume(c, -1.0f), FMOD_RESULT(31)},      {XPLMSetAudioPitch(c, 0.0f), FMOD_RESULT(31)},
            {XPLMSetAudioFadeDistance(c, 5, 2), FMOD_RESULT(31)}, {XPLMSetAudioPosition(c, &v, nullptr), FMOD_RESULT(31)},
            {XPLMSetAudioCone(c, 1, 2, 3, &nan), FMOD_RESULT(31)}, {XPLMSetAudioVolume(nullptr, 1), FMOD_RESULT(30)},
            {XPLMStopAudio(c), FMOD_OK},                           {XPLMStopAudio(c), FMOD_RESULT(30)},
        };
        for (const auto& [answer, expected] : answers) EXPECT_EQ(answer, expected);
    });
    EXPECT_EQ(gEnds, (std::vector<std::string>{"no buffer 31", "format 31", "rate 31", "bus 31", "short 31", "kept 0"}));
    for (const char* line : {"XPLMPlayPCMOnBus: format 3 is not FMOD_SOUND_FORMAT_PCM16",
                             "XPLMPlayPCMOnBus: a buffer of 3 bytes holds no sample frame",
                             "XPLMSetAudioFadeDistance: the distances must be 0 < min <= max",
                             "XPLMStopAudio: no such sound playing"})
        EXPECT_NE(bmhost::SimLog().find("[stand-in] " + std::string(line) + "\n"), std::string::npos) << line;
}

// Placed 8 m from the camera with a minimum fade distance of 2 m, a sound plays at a quarter of
// its volume; back in 2-D, at its own. Unloading the plug-in stops its sounds unheard.
TEST_F(SoundStandIn, DistanceFadesTheMixAndUnloadingSweepsUnheard) {
    bmhost::CaptureAudio(true);
    const XPLMCameraPosition_t camera = bmhost::CameraPosition();
    bmhost::RunAsPlugin(plugin_, [&] {
        FMOD_CHANNEL* c = Play("placed", 1);
        FMOD_VECTOR at{camera.x + 8, camera.y, camera.z}, still{0, 0, 0};
        EXPECT_EQ(XPLMSetAudioPosition(c, &at, &still), FMOD_OK);
        EXPECT_EQ(XPLMSetAudioFadeDistance(c, 2, 100), FMOD_OK);
    });
    bmhost::RunFrames(2);
    bmhost::RunAsPlugin(plugin_, [] { Play("loud", 1); });
    bmhost::RunFrames(2);
    std::string wav = sim_.Root() + "/fade.wav";
    ASSERT_TRUE(bmhost::SaveAudio(wav));
    std::string bytes = bmtest::ReadFile(wav);
    auto left = [&](std::size_t frame) {
        std::size_t at = 44 + 4 * frame;
        return std::int16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
    };
    ASSERT_EQ(bytes.size(), 44u + 4 * 3200);
    EXPECT_EQ(left(799), 0);
    EXPECT_EQ(left(800), 4096);
    EXPECT_EQ(left(2400), 4096 + 16384);
    bmhost::UnloadPlugins();
    EXPECT_TRUE(gEnds.empty());
    std::vector<bmhost::SoundRecord> sounds = bmhost::SoundsPlayed();
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_EQ(sounds[0].state + " " + sounds[1].state, "swept swept");
    EXPECT_EQ(bmhost::RegistrationCount(), 0);
}

}  // namespace
