// The weather and sound through the built plug-in: METARs and the weather at a place from the
// built-in table and a replaced one; sounds mixed in simulator time, read back from the WAV.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMWeather.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Lines;
using Lines_t = std::vector<std::string>;

const char kWeatherScript[] = R"(from __future__ import print_function
from XPLMWeather import *
class Brindlemoor:
    def XPluginStart(self):
        return 'W', 'sig.w', ''
    def XPluginReceiveMessage(self, who, message, param):
        if message != 1:
            return
        for airport in ('KSEA', 'ksea', 'KBFI', 'EGLL', 'XXXX', ''):
            print(repr(XPLMGetMETARForAirport(airport)))
        for place in ((47.45, -122.31, 1500.0), (47.45, -122.31, -50.0), (0.0, 0.0, 0.0)):
            out = ['kept']
            detailed = XPLMGetWeatherAtLocation(place[0], place[1], place[2], out)
            w = out[0]
            print(detailed, len(out), len(tuple(w)), '%.2f %.2f %.1f %.1f %.2f %.2f %.2f %.0f %.2f' % (
                w.temperature_alt, w.dewpoint_alt, w.pressure_alt, w.wind_dir_alt, w.wind_spd_alt,
                w.turbulence_alt, w.precip_rate, w.visibility, w.pressure_sl))
            print(len(w.wind_layers), [tuple(l) for l in w.wind_layers[:3]], w.cloud_layers)
        print(XPLMGetWeatherAtLocation(47.45, -122.31, 0.0, None))
)";

const char kTable[] = R"(# a front passing
temperature 8
dewpoint 2
pressure 100900
visibility 4000      # metres
precipitation 0.5
wind 0 5.25 183 9 10 0.25
wind 2000 15 250 0 0 0.5
cloud 2 0.25 900 1500
cloud 3 0.875 3000 4000
metar EGLL EGLL 011150Z 24012KT 9999 FEW030 10/05 Q1021
)";

// The built-in table (the standard atmosphere, calm and clear) and a replaced one: METARs of the
// navigation database's airports written from the table as the simulator writes them, the
// table's own, none for others; the conditions aloft at a place, with all its layers.
TEST(Weather, ScriptsReadMETARsAndTheWeatherOfTheBuiltInAndAReplacedTable) {
    struct Case {
        std::string table;
        Lines_t expected;
    };
    const Case cases[] = {
        {"",
         {"'KSEA 011200Z 00000KT 6SM CLR 14/04 A2992'", "'KSEA 011200Z 00000KT 6SM CLR 14/04 A2992'",
          "'KBFI 011200Z 00000KT 6SM CLR 15/05 A2992'", "''", "''", "''",
          "1 1 17 5.25 -4.75 84556.0 0.0 0.00 0.00 0.00 10000 101325.00",
          "13 [(0.0, 0.0, 0.0, 0.0, 0.0, 0.0), (1000.0, 0.0, 0.0, 0.0, 0.0, 0.0), (2000.0, 0.0, 0.0, 0.0, 0.0, 0.0)] "
          "[XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0)]",
          "1 1 17 15.00 5.00 101325.0 0.0 0.00 0.00 0.00 10000 101325.00",
          "13 [(0.0, 0.0, 0.0, 0.0, 0.0, 0.0), (1000.0, 0.0, 0.0, 0.0, 0.0, 0.0), (2000.0, 0.0, 0.0, 0.0, 0.0, 0.0)] "
          "[XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0)]",
          "0 1 17 15.00 5.00 101325.0 0.0 0.00 0.00 0.00 10000 101325.00",
          "13 [(0.0, 0.0, 0.0, 0.0, 0.0, 0.0), (1000.0, 0.0, 0.0, 0.0, 0.0, 0.0), (2000.0, 0.0, 0.0, 0.0, 0.0, 0.0)] "
          "[XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0)]",
          "1"}},
        {kTable,
         {"'KSEA 011200Z 18010G17KT 2SM RA FEW025 BKN094CB 07/01 A2980'",
          "'KSEA 011200Z 18010G17KT 2SM RA FEW025 BKN094CB 07/01 A2980'",
          "'KBFI 011200Z 18010G17KT 2SM RA FEW029 BKN098CB 08/02 A2980'",
          "'EGLL 011150Z 24012KT 9999 FEW030 10/05 Q1021'", "''", "''",
          "1 1 17 -1.75 -7.75 84201.3 183.0 5.25 0.25 0.50 4000 100900.00",
          "13 [(0.0, 5.25, 183.0, 9.0, 10.0, 0.25), (2000.0, 15.0, 250.0, 0.0, 0.0, 0.5), "
          "(-1.0, 0.0, 0.0, 0.0, 0.0, 0.0)] "
          "[XPLMWeatherInfoClouds_t(cloud_type=2.0, coverage=0.25, alt_top=1500.0, alt_base=900.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=3.0, coverage=0.875, alt_top=4000.0, alt_base=3000.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0)]",
          // Below sea level the sea level's values; the lowest wind layer below them all.
          "1 1 17 8.00 2.00 100900.0 183.0 5.25 0.25 0.50 4000 100900.00",
          "13 [(0.0, 5.25, 183.0, 9.0, 10.0, 0.25), (2000.0, 15.0, 250.0, 0.0, 0.0, 0.5), "
          "(-1.0, 0.0, 0.0, 0.0, 0.0, 0.0)] "
          "[XPLMWeatherInfoClouds_t(cloud_type=2.0, coverage=0.25, alt_top=1500.0, alt_base=900.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=3.0, coverage=0.875, alt_top=4000.0, alt_base=3000.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0)]",
          "0 1 17 8.00 2.00 100900.0 183.0 5.25 0.25 0.50 4000 100900.00",
          "13 [(0.0, 5.25, 183.0, 9.0, 10.0, 0.25), (2000.0, 15.0, 250.0, 0.0, 0.0, 0.5), "
          "(-1.0, 0.0, 0.0, 0.0, 0.0, 0.0)] "
          "[XPLMWeatherInfoClouds_t(cloud_type=2.0, coverage=0.25, alt_top=1500.0, alt_base=900.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=3.0, coverage=0.875, alt_top=4000.0, alt_base=3000.0), "
          "XPLMWeatherInfoClouds_t(cloud_type=0.0, coverage=0.0, alt_top=0.0, alt_base=0.0)]",
          "1"}},
    };
    for (const Case& c : cases) {
        bmhost::Reset();
        bmtest::SimFolder sim;
        std::string error;
        ASSERT_TRUE(bmhost::SetWeatherTable(c.table, &error)) << error;
        sim.AddScript("BM_Weather.py", kWeatherScript);
        LoadBrindlemoor(true);
        bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
        EXPECT_EQ(Lines(sim.Output()), c.expected) << sim.Log();
        bmhost::UnloadPlugins();
    }
}

// A table line that cannot be read names itself, and the table stays; a struct of an older or
// smaller size is written only as far as it reaches.
TEST(Weather, TablesAreCheckedAndStructsWrittenOnlyAsFarAsTheyReach) {
    bmhost::Reset();
    const std::pair<const char*, const char*> wrong[] = {
        {"temperature 8\nwind 0 5 180\n", "line 2: cannot read 'wind 0 5 180'"},
        {"wind 500 5 180 0 0 0\nwind 100 5 180 0 0 0\n", "line 2: cannot read 'wind 100 5 180 0 0 0'"},
        {"cloud 1 0.5 2000 1000\n", "line 1: cannot read 'cloud 1 0.5 2000 1000'"},
        {"fog 1\n", "line 1: cannot read 'fog 1'"},
        {"pressure nan\n", "line 1: cannot read 'pressure nan'"},
        {"cloud 1 0.5 1000 1e7\n", "line 1: cannot read 'cloud 1 0.5 1000 1e7'"},
    };
    for (const auto& [table, message] : wrong) {
        std::string error;
        EXPECT_FALSE(bmhost::SetWeatherTable(table, &error)) << table;
        EXPECT_EQ(error, message);
    }
    EXPECT_EQ(bmhost::METAR("KSEA"), "KSEA 011200Z 00000KT 6SM CLR 14/04 A2992");
    std::string error;
    EXPECT_FALSE(bmhost::SetWeatherFile("/no/such/weather.txt", &error));
    EXPECT_EQ(error, "cannot read /no/such/weather.txt");

    for (int size : {0, 7, 8, 10, 64, 100, 424, 500}) {
        std::vector<unsigned char> bytes(600, 0xAB);
        auto* info = reinterpret_cast<XPLMWeatherInfo_t*>(bytes.data());
        info->structSize = size;
        int answer = XPLMGetWeatherAtLocation(47.45, -122.31, 0.0, info);
        const int written = size < 8 ? 0 : std::min(size, 424) / 4 * 4;
        EXPECT_EQ(answer, size < 8 ? 0 : 1) << size;
        for (int i = 4; i < 600; ++i)
            ASSERT_EQ(bytes[std::size_t(i)] == 0xAB, i >= written) << "size " << size << ", byte " << i;
    }
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMGetWeatherAtLocation: structSize 7 holds no field\n"),
              std::string::npos);
}

// ---- Sound ----

struct Wav {
    std::vector<std::int16_t> left, right;
};

// A WAV file as bmhost::SaveAudio writes it: 16-bit stereo at 48,000 samples a second.
Wav ReadWav(const std::string& path) {
    std::string bytes = bmtest::ReadFile(path);
    Wav wav;
    EXPECT_GE(bytes.size(), 44u);
    if (bytes.size() < 44) return wav;
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
               std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(u32(24), 48000u);
    EXPECT_EQ(u32(40), bytes.size() - 44);
    for (std::size_t at = 44; at + 4 <= bytes.size(); at += 4) {
        wav.left.push_back(std::int16_t(u32(at) & 0xFFFF));
        wav.right.push_back(std::int16_t(u32(at) >> 16));
    }
    return wav;
}

// The samples of the test sounds: even, so that half of each is exact.
std::int16_t Sample(std::size_t k) { return std::int16_t(2 * (int(k * 61 % 2000) - 1000)); }

const char kSoundScript[] = R"(from __future__ import print_function
import array
from XPLMSound import *
from XPLMProcessing import *
def samples(count):
    return array.array('h', [2 * ((k * 61 % 2000) - 1000) for k in range(count)]).tostring() \
        if not hasattr(array.array, 'tobytes') else \
        array.array('h', [2 * ((k * 61 % 2000) - 1000) for k in range(count)]).tobytes()
class Brindlemoor:
    def XPluginStart(self):
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        return 'S', 'sig.s', ''
    def Done(self, refcon, status):
        print('done', refcon, status, XPLMGetCycleNumber())
    def Loop(self, since, sinceLoop, counter, refcon):
        cycle = XPLMGetCycleNumber()
        if cycle == 1:
            # The buffer is the call's alone: the plug-in keeps it while the sound plays.
            print('A', XPLMPlayPCMOnBus(self, bytearray(samples(800)), 1600, FMOD_SOUND_FORMAT_PCM16, 8000, 1, 0,
                                        xplm_AudioUI, self.Done, 1) != 0)
            junk = [bytearray(b'\x7f' * 1600) for i in range(200)]
        elif cycle == 10:
            b = XPLMPlayPCMOnBus(self, memoryview(samples(800)), 1600, FMOD_SOUND_FORMAT_PCM16, 8000, 1, 0,
                                 xplm_AudioInterior, self.Done, 2)
            print('B', XPLMSetAudioVolume(b, 0.5), XPLMSetAudioPitch(b, 16000.0))
        elif cycle == 20:
            self.c = XPLMPlayPCMOnBus(self, samples(100), 200, FMOD_SOUND_FORMAT_PCM16, 8000, 1, 1,
                                      xplm_AudioExteriorAircraft, self.Done, 3)
        elif cycle == 25:
            print('stop', XPLMStopAudio(self.c), XPLMStopAudio(self.c), XPLMSetAudioVolume(self.c, 1.0))
        return -1.0
)";

// Three sounds in turn: one played once (its buffer dropped by the script at once), one at half
// the volume and twice the rate, one looping until stopped. Each completes after its length in
// simulator time (or when stopped), and its samples are in the WAV where it played.
TEST(Sound, SoundsCompleteAfterTheirLengthAndTheirSamplesAreInTheMix) {
    bmhost::Reset();
    bmtest::SimFolder sim;
    sim.AddScript("BM_Sound.py", kSoundScript);
    bmhost::CaptureAudio(true);
    LoadBrindlemoor(true);
    const int held = bmhost::RegistrationCount();  // the plug-in's and the script's flight loop
    bmhost::RunFrames(30);
    const std::string wavPath = sim.Root() + "/run.wav";
    ASSERT_TRUE(bmhost::SaveAudio(wavPath));
    // Each starts at its frame's sound step, 800 output frames a frame; A ends 4,800 output
    // frames (0.1 s) later, at frame 7; B, at 16,000 Hz, 2,400 later, at frame 13.
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"A True", "done 1 0 7", "B 0 0", "done 2 0 13", "done 3 0 25",
                                            "stop 0 30 30"}))
        << sim.Log();
    const Wav wav = ReadWav(wavPath);
    ASSERT_EQ(wav.left.size(), 30u * 800);
    for (std::size_t n = 0; n < wav.left.size(); ++n) {
        std::int16_t expected = 0;
        if (n >= 800 && n < 5600)
            expected = Sample((n - 800) / 6);
        else if (n >= 8000 && n < 10400)
            expected = std::int16_t(Sample((n - 8000) / 3) / 2);
        else if (n >= 16000 && n < 19200)  // stopped before frame 25's sound step
            expected = Sample((n - 16000) % 600 / 6);
        ASSERT_EQ(wav.left[n], expected) << "output frame " << n;
        ASSERT_EQ(wav.right[n], expected) << "output frame " << n;
    }
    std::vector<bmhost::SoundRecord> sounds = bmhost::SoundsPlayed();
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0].state + " " + sounds[1].state + " " + sounds[2].state, "finished finished stopped");
    EXPECT_EQ(sounds[1].volume, 0.5f);
    EXPECT_EQ(sounds[1].pitch, 16000.0f);
    EXPECT_EQ(sounds[2].bus, 4);
    EXPECT_EQ(bmhost::RegistrationCount(), held);
}

// A sound's callback is a registration of its script: silent while the script is disabled; the
// sound stops, its callback unheard, when the script is reloaded or stopped.
TEST(Sound, SoundsGoWithTheirScriptAndAreSilentWhileItIsDisabled) {
    bmhost::Reset();
    bmtest::SimFolder sim;
    sim.AddScript("BM_Looping.py", R"(from __future__ import print_function
import sys
from XPLMSound import *
from PythonScriptMessaging import *
GENERATION = getattr(sys, 'bm_generation', 0) + 1
sys.bm_generation = GENERATION
class Brindlemoor:
    def XPluginStart(self):
        print('play', GENERATION, XPLMPlayPCMOnBus(self, b'\x00\x10' * 100, 200, FMOD_SOUND_FORMAT_PCM16, 8000, 1,
                                                   1, xplm_AudioUI, self.Done, 0) != 0)
        return 'L', 'sig.l', ''
    def Done(self, refcon, status):
        print('done', GENERATION)
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            print('reload', BM_ReloadScript(self))
        elif message == 2:
            self.short = XPLMPlayPCMOnBus(self, b'\x00\x10' * 80, 160, FMOD_SOUND_FORMAT_PCM16, 8000, 1, 0,
                                          xplm_AudioUI, self.Done, 0)
            BM_DisableScript(self)
)");
    LoadBrindlemoor(true);
    const int held = bmhost::RegistrationCount();  // the plug-in's and a looping sound
    bmhost::RunFrames(2);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(2);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);
    bmhost::RunFrames(3);  // the short sound (10 ms) ends while its script is disabled
    EXPECT_EQ(bmhost::RegistrationCount(), held);  // the looping sound of the second generation
    bmhost::UnloadPlugins();
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"play 1 True", "reload 1", "play 2 True"})) << sim.Log();
    std::vector<bmhost::SoundRecord> sounds = bmhost::SoundsPlayed();
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0].state + " " + sounds[1].state + " " + sounds[2].state, "stopped stopped finished");
    EXPECT_EQ(bmhost::RegistrationCount(), 0);
}

}  // namespace
