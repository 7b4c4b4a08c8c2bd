// The stand-in's navigation database (the simulator's data files, or the sample) and its flight
// management system.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestSupport.h"
#include "XPLMNavigation.h"
#include "bmhost/Control.h"

namespace {

constexpr XPLMNavRef kFirstRef = 0x40000000;
constexpr int kAll = 0xFFF;
const char kNav[] = "Resources/default data/earth_nav.dat";
const char kFix[] = "Resources/default data/earth_fix.dat";
const char kAirports[] = "Resources/default scenery/default apt dat/Earth nav data/apt.dat";

// "type lat lon height frequency heading id|name region" of an aid; outputs that the stand-in
// leaves alone read "-".
std::string Describe(XPLMNavRef ref) {
    XPLMNavType type = -9;
    float lat = NAN, lon = NAN, height = NAN, heading = NAN;
    int frequency = -9;
    char id[32] = "-", name[256] = "-", region = -9;
    XPLMGetNavAidInfo(ref, &type, &lat, &lon, &height, &frequency, &heading, id, name, &region);
    char text[400];
    std::snprintf(text, sizeof text, "%d %.4f %.4f %.0f %d %.2f %s|%s %d", type, lat, lon, height, frequency, heading,
                  id, name, region);
    return text;
}

XPLMNavRef FindID(const char* id, XPLMNavType type) {
    return XPLMFindNavAid(nullptr, id, nullptr, nullptr, nullptr, type);
}

void WriteFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(NavigationStandIn, TheSampleHoldsEveryRowKindGroupedByType) {
    bmtest::SimFolder sim;
    std::vector<std::string> files = bmtest::Lines(bmhost::NavDataSource());
    ASSERT_EQ(files.size(), 3u);
    for (const char* name : {"apt.dat", "earth_nav.dat", "earth_fix.dat"}) {
        std::string tail = std::string("/host/navdata/") + name;
        EXPECT_EQ(files[0].substr(std::max(files[0].size(), tail.size()) - tail.size()), tail);
        files.erase(files.begin());
    }
    ASSERT_EQ(bmhost::NavAidCount(), 7 + 20 + 6);
    // The first of each type, in database order; row 13 is a DME too.
    std::vector<std::string> firsts;
    XPLMNavType previous = 0;
    int walked = 0;
    for (XPLMNavRef ref = XPLMGetFirstNavAid(); ref != XPLM_NAV_NOT_FOUND; ref = XPLMGetNextNavAid(ref), ++walked) {
        ASSERT_EQ(ref, kFirstRef + walked);
        XPLMNavType type = std::stoi(Describe(ref));
        ASSERT_GE(type, previous) << Describe(ref);
        if (type != previous) firsts.push_back(Describe(ref));
        previous = type;
    }
    EXPECT_EQ(walked, 33);
    EXPECT_EQ(firsts, (std::vector<std::string>{
                          "1 47.4499 -122.3118 433 0 0.00 KSEA|Seattle-Tacoma Intl 1",  // its datum
                          "2 47.6047 -122.3680 0 362 0.00 BF|NOLLA NDB 1",
                          "4 47.4354 -122.3096 354 11680 19.00 SEA|SEATTLE VORTAC 1",
                          "8 47.4290 -122.3080 347 11030 179.98 ISNQ|KSEA 16L ILS-cat-III 1",
                          "16 47.4850 -122.2140 20 10890 171.00 IRNT|KRNT 16 LDA 1",
                          "32 47.4610 -122.3095 420 11030 179.98 ISNQ|KSEA 16L GS 1",  // not the 3.00 angle
                          "64 47.5470 -122.3078 0 0 179.98 ----|KSEA 16L OM 1",
                          "128 47.4734 -122.3078 0 0 179.98 ----|KSEA 16L MM 1",
                          "256 47.4665 -122.3078 0 0 179.98 ----|KSEA 16L IM 1",
                          "512 47.5900 -122.3080 0 0 0.00 JAWBN|JAWBN 1",
                          "1024 47.4610 -122.3095 420 11030 0.00 ISNQ|KSEA 16L DME-ILS 1",
                      }));
    EXPECT_EQ(Describe(FindID("KBFI", xplm_Nav_Airport)),
              "1 47.5300 -122.3020 21 0 0.00 KBFI|Boeing Fld King Co Intl 1");
    EXPECT_EQ(Describe(XPLMFindLastNavAidOfType(xplm_Nav_DME)),
              "1024 47.5160 -122.2900 18 11090 0.00 IBFI|KBFI 14R DME-ILS 1");
    EXPECT_EQ(XPLMFindLastNavAidOfType(xplm_Nav_VOR) - XPLMFindFirstNavAidOfType(xplm_Nav_VOR), 4);
    for (XPLMNavRef bad : {0, -1, kFirstRef - 1, kFirstRef + 32, INT_MAX, INT_MIN})
        EXPECT_EQ(XPLMGetNextNavAid(bad), XPLM_NAV_NOT_FOUND) << bad;
    for (XPLMNavType type : {0, xplm_Nav_VOR | xplm_Nav_NDB, int(xplm_Nav_LatLon), -1, INT_MIN})
        EXPECT_EQ(XPLMFindFirstNavAidOfType(type) + XPLMFindLastNavAidOfType(type), 2 * XPLM_NAV_NOT_FOUND) << type;
}

TEST(NavigationStandIn, FindNavAidAppliesEveryFilterAndPicksTheNearestOrTheLast) {
    bmtest::SimFolder sim;
    XPLMNavRef seaVOR = FindID("SEA", xplm_Nav_VOR), seaDME = FindID("SEA", xplm_Nav_DME);
    ASSERT_LT(seaVOR, seaDME);
    // Without a position, the last found; fragments are case-sensitive substrings, all apply.
    EXPECT_EQ(FindID("SEA", kAll), seaDME);
    EXPECT_EQ(FindID("sea", kAll), XPLM_NAV_NOT_FOUND);
    EXPECT_EQ(XPLMFindNavAid("Tacoma", "SEA", nullptr, nullptr, nullptr, kAll), FindID("KSEA", kAll));
    EXPECT_EQ(XPLMFindNavAid("Tacoma", "KBFI", nullptr, nullptr, nullptr, kAll), XPLM_NAV_NOT_FOUND);
    EXPECT_EQ(XPLMFindNavAid(nullptr, nullptr, nullptr, nullptr, nullptr, 0), XPLM_NAV_NOT_FOUND);

    // With both coordinates, the nearest; the VOR and its DME share a place: the lower ref wins.
    float lat = 47.43538889f, lon = -122.30961111f, nan = NAN;
    EXPECT_EQ(XPLMFindNavAid(nullptr, "SEA", &lat, &lon, nullptr, kAll), seaVOR);
    // One coordinate alone, or one that is not a number, is no position.
    EXPECT_EQ(XPLMFindNavAid(nullptr, "SEA", &lat, nullptr, nullptr, kAll), seaDME);
    EXPECT_EQ(XPLMFindNavAid(nullptr, "SEA", &nan, &lon, nullptr, kAll), seaDME);

    // A frequency drops the radio aids without it, never airports or fixes.
    int isnq = 11030;
    EXPECT_EQ(FindID("ALKIA", kAll),
              XPLMFindNavAid(nullptr, nullptr, nullptr, nullptr, &isnq, xplm_Nav_ILS | xplm_Nav_Fix));
    EXPECT_EQ(FindID("KSEA", kAll), XPLMFindNavAid(nullptr, "KSEA", nullptr, nullptr, &isnq, xplm_Nav_Airport));
    EXPECT_EQ(XPLMFindNavAid(nullptr, nullptr, nullptr, nullptr, &isnq, xplm_Nav_InnerMarker), XPLM_NAV_NOT_FOUND);

    // Distances on the sphere: at 60 N the aid 1.5 degrees east is nearer than the one 1 north.
    bmhost::AddNavAid({xplm_Nav_NDB, 61.0f, 10.0f, 0, 300, 0, "NORTH", "NORTH"});
    XPLMNavRef east = bmhost::AddNavAid({xplm_Nav_NDB, 60.0f, 11.5f, 0, 300, 0, "EAST", "EAST"});
    float sixty = 60.0f, ten = 10.0f;
    EXPECT_EQ(XPLMFindNavAid(nullptr, nullptr, &sixty, &ten, nullptr, xplm_Nav_NDB), east);
}

TEST(NavigationStandIn, NavAidInfoOfAddedAidsAndUnknownRefs) {
    bmtest::SimFolder sim;
    XPLMNavRef firstVOR = XPLMFindFirstNavAidOfType(xplm_Nav_VOR);
    XPLMNavRef added =
        bmhost::AddNavAid({xplm_Nav_NDB, 40.5f, -100.25f, 1234, -5, -12.5f, "ABCDEFGH", std::string(300, 'n')});
    EXPECT_EQ(added, firstVOR);  // after the last NDB: the VORs move up by one
    EXPECT_EQ(XPLMFindFirstNavAidOfType(xplm_Nav_VOR), firstVOR + 1);
    // The host keeps negative values; an ID buffer of 6 and a name buffer of 256 are enough; far
    // from the loaded scenery.
    EXPECT_EQ(Describe(added), "2 40.5000 -100.2500 1234 -5 -12.50 ABCDE|" + std::string(255, 'n') + " 0");
    EXPECT_EQ(FindID("ABCDEFGH", kAll), added);
    for (XPLMNavRef bad : {XPLM_NAV_NOT_FOUND, 0, kFirstRef + bmhost::NavAidCount(), INT_MAX})
        EXPECT_EQ(Describe(bad), "0 nan nan nan -9 nan -|- -9");
    XPLMGetNavAidInfo(added, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(NavigationStandIn, TheSimulatorsFilesWinAndWhatCannotBeReadIsSkipped) {
    bmtest::SimFolder sim;
    WriteFile(sim.Root() + kNav,
              "I\r\n810 Version - test\r\n\r\n"
              "3  10.0 20.0 100 11310 130 -7.000 ABC  ALPHA VOR\r\n"
              "3  10.5 not-a-number 100 11310 130 -7.0 BAD BAD VOR\r\n"
              "2  91.0 20.0 0 300 25 0.0 NP NORTH POLE NDB\r\n"
              "3  11.0 21.0 100 11310\r\n"
              "14 10.0 20.0 0 0 0 0.0 FPAP KXXX 09 LPV\r\n"
              "2  12.0 22.0 0 420 25 0.0 ZZ ZULU NDB\r\n"
              "99\r\n"
              "2  13.0 23.0 0 430 25 0.0 AFTER AFTER THE END\r\n");
    WriteFile(sim.Root() + kAirports,
              "I\n1000 Version\n\n"
              "1 100 0 0 KAAA Datum Field\n"
              "100 30 1 0 0.25 0 2 1 09 10.0 20.0 0 0 3 0 1 0 27 10.0 20.2 0 0 3 0 1 0\n"
              "1302 datum_lat 10.05\n1302 datum_lon 20.05\n"
              "1 200 0 0 KBBB Runway Field\n"
              "100 30 1 0 0.25 0 2 1 09 11.0 21.0 0 0 3 0 1 0 27 11.0 21.2 0 0 3 0 1 0\n"
              "100 30 1 0 0.25 0 2 1 18 12.0 21.0 0 0 3 0 1 0 36 11.8 21.0 0 0 3 0 1 0\n"
              "1 -10 0 0 KCCC Water Field\n101 50 1 04 12.0 22.0 22 12.2 22.2\n"
              "16 0 0 0 X01 Seaplane Base\n101 50 1 04 13.0 23.0 22 13.2 23.2\n"
              "1 300 0 0 KDDD Nowhere Field\n"
              "1 400 0 0 KEEE Helipad Field\n102 H1 14.0 24.0 0 10 10 1 0 0 0.25 0\n"
              "1 500 0 0 KFFF Old Field\n10 15.0 25.0 xxx 0 100\n10 15.5 25.5 09x 90 3000\n99\n");
    EXPECT_EQ(bmhost::NavDataSource(), sim.Root() + kAirports + "\n" + sim.Root() + kNav + "\n");
    std::vector<std::string> all;
    for (XPLMNavRef ref = XPLMGetFirstNavAid(); ref != XPLM_NAV_NOT_FOUND; ref = XPLMGetNextNavAid(ref))
        all.push_back(Describe(ref));
    EXPECT_EQ(all, (std::vector<std::string>{
                       "1 10.0500 20.0500 100 0 0.00 KAAA|Datum Field 0",
                       "1 11.0000 21.1000 200 0 0.00 KBBB|Runway Field 0",  // the first runway's middle
                       "1 12.1000 22.1000 -10 0 0.00 KCCC|Water Field 0",
                       "1 14.0000 24.0000 400 0 0.00 KEEE|Helipad Field 0",
                       "1 15.5000 25.5000 500 0 0.00 KFFF|Old Field 0",  // not the taxiway
                       "2 12.0000 22.0000 0 420 0.00 ZZ|ZULU NDB 0",     // NDBs before VORs
                       "4 10.0000 20.0000 100 11310 -7.00 ABC|ALPHA VOR 0",
                   }));

    // Fixes enough to fill more than one block of the reader; the newer layout of earth_nav.dat
    // puts regions after the ID, which are no part of the name.
    bmtest::SimFolder newer;
    std::string fixes = "I\n600 Version\n\n";
    for (int i = 0; i < 40000; ++i)
        fixes += " 45." + std::to_string(10000 + i) + " -100.000000 F" + std::to_string(i) + "\n";
    WriteFile(newer.Root() + kFix, fixes + "99\n");
    WriteFile(newer.Root() + kNav,
              "I\n1100 Version - test\n\n"
              "3  10.0 20.0 100 11310 130 -7.000 ABC ENRT K1 ALPHA VORTAC\n"
              "4  10.1 20.1 90 10950 18 90.5 IXY KXXX K1 09 ILS-cat-I\n99\n");
    ASSERT_EQ(bmhost::NavAidCount(), 40002);
    EXPECT_EQ(Describe(XPLMFindFirstNavAidOfType(xplm_Nav_VOR)),
              "4 10.0000 20.0000 100 11310 -7.00 ABC|ALPHA VORTAC 0");
    EXPECT_EQ(Describe(XPLMFindFirstNavAidOfType(xplm_Nav_ILS)),
              "8 10.1000 20.1000 90 10950 90.50 IXY|KXXX 09 ILS-cat-I 0");
    XPLMNavRef fix = XPLMFindFirstNavAidOfType(xplm_Nav_Fix);
    int misread = 0;  // a fix's name is its whole ID
    for (int i = 0; i < 40000; ++i) {
        char name[256] = "";
        XPLMGetNavAidInfo(fix + i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, name, nullptr);
        misread += name != "F" + std::to_string(i);
    }
    EXPECT_EQ(misread, 0);
    EXPECT_EQ(XPLMFindLastNavAidOfType(xplm_Nav_Fix), fix + 39999);
}

// "type id ref altitude lat lon" of an FMS entry; outputs left alone read "-".
std::string Entry(int index) {
    XPLMNavType type = -9;
    XPLMNavRef ref = -9;
    int altitude = -9;
    float lat = NAN, lon = NAN;
    char id[256] = "-";
    XPLMGetFMSEntryInfo(index, &type, id, &ref, &altitude, &lat, &lon);
    char text[400];
    std::snprintf(text, sizeof text, "%d %s %d %d %.4f %.4f", type, id, ref, altitude, lat, lon);
    return text;
}

TEST(NavigationStandIn, FMSEntriesAreContiguousAndTheGPSFollowsTheDestination) {
    bmtest::SimFolder sim;
    XPLMNavRef sea = FindID("SEA", xplm_Nav_VOR), ksea = FindID("KSEA", xplm_Nav_Airport);
    EXPECT_EQ(XPLMGetGPSDestinationType(), xplm_Nav_Unknown);
    EXPECT_EQ(XPLMGetGPSDestination(), XPLM_NAV_NOT_FOUND);
    XPLMSetFMSEntryInfo(1, sea, 5000);  // past the end
    XPLMSetFMSEntryInfo(0, -1, 5000);   // no such aid
    EXPECT_EQ(XPLMCountFMSEntries(), 0);
    XPLMSetFMSEntryInfo(0, sea, 5000);  // at the end: appended
    XPLMSetFMSEntryLatLon(1, 47.5f, -122.25f, 3000);
    XPLMSetFMSEntryInfo(2, ksea, 433);
    EXPECT_EQ(XPLMCountFMSEntries(), 3);
    EXPECT_EQ(Entry(0), "4 SEA " + std::to_string(sea) + " 5000 47.4354 -122.3096");
    EXPECT_EQ(Entry(1), "2048  -1 3000 47.5000 -122.2500");  // the ref is written, not left alone
    EXPECT_EQ(Entry(50), "0  -1 0 0.0000 0.0000");           // past the end of the plan: empty
    for (int bad : {-1, 100, INT_MIN}) EXPECT_EQ(Entry(bad), "-9 - -9 -9 nan nan");
    XPLMGetFMSEntryInfo(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);

    XPLMSetDestinationFMSEntry(2);
    XPLMSetDisplayedFMSEntry(1);
    for (int bad : {-1, 100, INT_MIN}) {
        XPLMSetDestinationFMSEntry(bad);
        XPLMSetDisplayedFMSEntry(bad);
    }
    EXPECT_EQ(XPLMGetGPSDestinationType(), xplm_Nav_Airport);
    EXPECT_EQ(XPLMGetGPSDestination(), ksea);
    // Clearing an entry moves the later ones, and the entries shown and flown to, up by one.
    XPLMClearFMSEntry(0);
    XPLMClearFMSEntry(5);
    XPLMClearFMSEntry(-1);
    EXPECT_EQ(XPLMCountFMSEntries(), 2);
    EXPECT_EQ(XPLMGetDisplayedFMSEntry(), 0);
    EXPECT_EQ(XPLMGetDestinationFMSEntry(), 1);
    EXPECT_EQ(XPLMGetGPSDestination(), ksea);
    XPLMClearFMSEntry(1);  // the last: the destination is past the end now
    EXPECT_EQ(XPLMCountFMSEntries(), 1);
    EXPECT_EQ(XPLMGetGPSDestinationType(), xplm_Nav_Unknown);
    XPLMSetDestinationFMSEntry(0);
    EXPECT_EQ(XPLMGetGPSDestinationType(), xplm_Nav_LatLon);
    EXPECT_EQ(XPLMGetGPSDestination(), XPLM_NAV_NOT_FOUND);

    for (int i = 1; i <= 100; ++i) XPLMSetFMSEntryLatLon(i, 40.0f, -120.0f, i);
    EXPECT_EQ(XPLMCountFMSEntries(), 100);  // the 101st is refused
    bmhost::Reset();
    EXPECT_EQ(XPLMCountFMSEntries() + XPLMGetDestinationFMSEntry(), 0);
}

}  // namespace
