// XPLMUtilities: spoken and debug text, command keys and joystick buttons, the simulator's paths,
// folder listings, versions and language.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "BrindlemoorClass.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "ScriptReport.h"
#include "XPLMUtilities.h"

namespace {

const char kModule[] = "XPLMUtilities";

// Command keys, joystick buttons, host applications, languages and command phases, each group
// from 0 up.
const BM_Constant kConstants[] = {
    {"xplm_key_pause", xplm_key_pause},
    {"xplm_key_revthrust", xplm_key_revthrust},
    {"xplm_key_jettison", xplm_key_jettison},
    {"xplm_key_brakesreg", xplm_key_brakesreg},
    {"xplm_key_brakesmax", xplm_key_brakesmax},
    {"xplm_key_gear", xplm_key_gear},
    {"xplm_key_timedn", xplm_key_timedn},
    {"xplm_key_timeup", xplm_key_timeup},
    {"xplm_key_fadec", xplm_key_fadec},
    {"xplm_key_otto_dis", xplm_key_otto_dis},
    {"xplm_key_otto_atr", xplm_key_otto_atr},
    {"xplm_key_otto_asi", xplm_key_otto_asi},
    {"xplm_key_otto_hdg", xplm_key_otto_hdg},
    {"xplm_key_otto_gps", xplm_key_otto_gps},
    {"xplm_key_otto_lev", xplm_key_otto_lev},
    {"xplm_key_otto_hnav", xplm_key_otto_hnav},
    {"xplm_key_otto_alt", xplm_key_otto_alt},
    {"xplm_key_otto_vvi", xplm_key_otto_vvi},
    {"xplm_key_otto_vnav", xplm_key_otto_vnav},
    {"xplm_key_otto_nav1", xplm_key_otto_nav1},
    {"xplm_key_otto_nav2", xplm_key_otto_nav2},
    {"xplm_key_targ_dn", xplm_key_targ_dn},
    {"xplm_key_targ_up", xplm_key_targ_up},
    {"xplm_key_hdgdn", xplm_key_hdgdn},
    {"xplm_key_hdgup", xplm_key_hdgup},
    {"xplm_key_barodn", xplm_key_barodn},
    {"xplm_key_baroup", xplm_key_baroup},
    {"xplm_key_obs1dn", xplm_key_obs1dn},
    {"xplm_key_obs1up", xplm_key_obs1up},
    {"xplm_key_obs2dn", xplm_key_obs2dn},
    {"xplm_key_obs2up", xplm_key_obs2up},
    {"xplm_key_com1_1", xplm_key_com1_1},
    {"xplm_key_com1_2", xplm_key_com1_2},
    {"xplm_key_com1_3", xplm_key_com1_3},
    {"xplm_key_com1_4", xplm_key_com1_4},
    {"xplm_key_nav1_1", xplm_key_nav1_1},
    {"xplm_key_nav1_2", xplm_key_nav1_2},
    {"xplm_key_nav1_3", xplm_key_nav1_3},
    {"xplm_key_nav1_4", xplm_key_nav1_4},
    {"xplm_key_com2_1", xplm_key_com2_1},
    {"xplm_key_com2_2", xplm_key_com2_2},
    {"xplm_key_com2_3", xplm_key_com2_3},
    {"xplm_key_com2_4", xplm_key_com2_4},
    {"xplm_key_nav2_1", xplm_key_nav2_1},
    {"xplm_key_nav2_2", xplm_key_nav2_2},
    {"xplm_key_nav2_3", xplm_key_nav2_3},
    {"xplm_key_nav2_4", xplm_key_nav2_4},
    {"xplm_key_adf_1", xplm_key_adf_1},
    {"xplm_key_adf_2", xplm_key_adf_2},
    {"xplm_key_adf_3", xplm_key_adf_3},
    {"xplm_key_adf_4", xplm_key_adf_4},
    {"xplm_key_adf_5", xplm_key_adf_5},
    {"xplm_key_adf_6", xplm_key_adf_6},
    {"xplm_key_transpon_1", xplm_key_transpon_1},
    {"xplm_key_transpon_2", xplm_key_transpon_2},
    {"xplm_key_transpon_3", xplm_key_transpon_3},
    {"xplm_key_transpon_4", xplm_key_transpon_4},
    {"xplm_key_transpon_5", xplm_key_transpon_5},
    {"xplm_key_transpon_6", xplm_key_transpon_6},
    {"xplm_key_transpon_7", xplm_key_transpon_7},
    {"xplm_key_transpon_8", xplm_key_transpon_8},
    {"xplm_key_flapsup", xplm_key_flapsup},
    {"xplm_key_flapsdn", xplm_key_flapsdn},
    {"xplm_key_cheatoff", xplm_key_cheatoff},
    {"xplm_key_cheaton", xplm_key_cheaton},
    {"xplm_key_sbrkoff", xplm_key_sbrkoff},
    {"xplm_key_sbrkon", xplm_key_sbrkon},
    {"xplm_key_ailtrimL", xplm_key_ailtrimL},
    {"xplm_key_ailtrimR", xplm_key_ailtrimR},
    {"xplm_key_rudtrimL", xplm_key_rudtrimL},
    {"xplm_key_rudtrimR", xplm_key_rudtrimR},
    {"xplm_key_elvtrimD", xplm_key_elvtrimD},
    {"xplm_key_elvtrimU", xplm_key_elvtrimU},
    {"xplm_key_forward", xplm_key_forward},
    {"xplm_key_down", xplm_key_down},
    {"xplm_key_left", xplm_key_left},
    {"xplm_key_right", xplm_key_right},
    {"xplm_key_back", xplm_key_back},
    {"xplm_key_tower", xplm_key_tower},
    {"xplm_key_runway", xplm_key_runway},
    {"xplm_key_chase", xplm_key_chase},
    {"xplm_key_free1", xplm_key_free1},
    {"xplm_key_free2", xplm_key_free2},
    {"xplm_key_spot", xplm_key_spot},
    {"xplm_key_fullscrn1", xplm_key_fullscrn1},
    {"xplm_key_fullscrn2", xplm_key_fullscrn2},
    {"xplm_key_tanspan", xplm_key_tanspan},
    {"xplm_key_smoke", xplm_key_smoke},
    {"xplm_key_map", xplm_key_map},
    {"xplm_key_zoomin", xplm_key_zoomin},
    {"xplm_key_zoomout", xplm_key_zoomout},
    {"xplm_key_cycledump", xplm_key_cycledump},
    {"xplm_key_replay", xplm_key_replay},
    {"xplm_key_tranID", xplm_key_tranID},
    {"xplm_key_max", xplm_key_max},
    {"xplm_joy_nothing", xplm_joy_nothing},
    {"xplm_joy_start_all", xplm_joy_start_all},
    {"xplm_joy_start_0", xplm_joy_start_0},
    {"xplm_joy_start_1", xplm_joy_start_1},
    {"xplm_joy_start_2", xplm_joy_start_2},
    {"xplm_joy_start_3", xplm_joy_start_3},
    {"xplm_joy_start_4", xplm_joy_start_4},
    {"xplm_joy_start_5", xplm_joy_start_5},
    {"xplm_joy_start_6", xplm_joy_start_6},
    {"xplm_joy_start_7", xplm_joy_start_7},
    {"xplm_joy_throt_up", xplm_joy_throt_up},
    {"xplm_joy_throt_dn", xplm_joy_throt_dn},
    {"xplm_joy_prop_up", xplm_joy_prop_up},
    {"xplm_joy_prop_dn", xplm_joy_prop_dn},
    {"xplm_joy_mixt_up", xplm_joy_mixt_up},
    {"xplm_joy_mixt_dn", xplm_joy_mixt_dn},
    {"xplm_joy_carb_tog", xplm_joy_carb_tog},
    {"xplm_joy_carb_on", xplm_joy_carb_on},
    {"xplm_joy_carb_off", xplm_joy_carb_off},
    {"xplm_joy_trev", xplm_joy_trev},
    {"xplm_joy_trm_up", xplm_joy_trm_up},
    {"xplm_joy_trm_dn", xplm_joy_trm_dn},
    {"xplm_joy_rot_trm_up", xplm_joy_rot_trm_up},
    {"xplm_joy_rot_trm_dn", xplm_joy_rot_trm_dn},
    {"xplm_joy_rud_lft", xplm_joy_rud_lft},
    {"xplm_joy_rud_cntr", xplm_joy_rud_cntr},
    {"xplm_joy_rud_rgt", xplm_joy_rud_rgt},
    {"xplm_joy_ail_lft", xplm_joy_ail_lft},
    {"xplm_joy_ail_cntr", xplm_joy_ail_cntr},
    {"xplm_joy_ail_rgt", xplm_joy_ail_rgt},
    {"xplm_joy_B_rud_lft", xplm_joy_B_rud_lft},
    {"xplm_joy_B_rud_rgt", xplm_joy_B_rud_rgt},
    {"xplm_joy_look_up", xplm_joy_look_up},
    {"xplm_joy_look_dn", xplm_joy_look_dn},
    {"xplm_joy_look_lft", xplm_joy_look_lft},
    {"xplm_joy_look_rgt", xplm_joy_look_rgt},
    {"xplm_joy_glance_l", xplm_joy_glance_l},
    {"xplm_joy_glance_r", xplm_joy_glance_r},
    {"xplm_joy_v_fnh", xplm_joy_v_fnh},
    {"xplm_joy_v_fwh", xplm_joy_v_fwh},
    {"xplm_joy_v_tra", xplm_joy_v_tra},
    {"xplm_joy_v_twr", xplm_joy_v_twr},
    {"xplm_joy_v_run", xplm_joy_v_run},
    {"xplm_joy_v_cha", xplm_joy_v_cha},
    {"xplm_joy_v_fr1", xplm_joy_v_fr1},
    {"xplm_joy_v_fr2", xplm_joy_v_fr2},
    {"xplm_joy_v_spo", xplm_joy_v_spo},
    {"xplm_joy_flapsup", xplm_joy_flapsup},
    {"xplm_joy_flapsdn", xplm_joy_flapsdn},
    {"xplm_joy_vctswpfwd", xplm_joy_vctswpfwd},
    {"xplm_joy_vctswpaft", xplm_joy_vctswpaft},
    {"xplm_joy_gear_tog", xplm_joy_gear_tog},
    {"xplm_joy_gear_up", xplm_joy_gear_up},
    {"xplm_joy_gear_down", xplm_joy_gear_down},
    {"xplm_joy_lft_brake", xplm_joy_lft_brake},
    {"xplm_joy_rgt_brake", xplm_joy_rgt_brake},
    {"xplm_joy_brakesREG", xplm_joy_brakesREG},
    {"xplm_joy_brakesMAX", xplm_joy_brakesMAX},
    {"xplm_joy_speedbrake", xplm_joy_speedbrake},
    {"xplm_joy_ott_dis", xplm_joy_ott_dis},
    {"xplm_joy_ott_atr", xplm_joy_ott_atr},
    {"xplm_joy_ott_asi", xplm_joy_ott_asi},
    {"xplm_joy_ott_hdg", xplm_joy_ott_hdg},
    {"xplm_joy_ott_alt", xplm_joy_ott_alt},
    {"xplm_joy_ott_vvi", xplm_joy_ott_vvi},
    {"xplm_joy_tim_start", xplm_joy_tim_start},
    {"xplm_joy_tim_reset", xplm_joy_tim_reset},
    {"xplm_joy_ecam_up", xplm_joy_ecam_up},
    {"xplm_joy_ecam_dn", xplm_joy_ecam_dn},
    {"xplm_joy_fadec", xplm_joy_fadec},
    {"xplm_joy_yaw_damp", xplm_joy_yaw_damp},
    {"xplm_joy_art_stab", xplm_joy_art_stab},
    {"xplm_joy_chute", xplm_joy_chute},
    {"xplm_joy_JATO", xplm_joy_JATO},
    {"xplm_joy_arrest", xplm_joy_arrest},
    {"xplm_joy_jettison", xplm_joy_jettison},
    {"xplm_joy_fuel_dump", xplm_joy_fuel_dump},
    {"xplm_joy_puffsmoke", xplm_joy_puffsmoke},
    {"xplm_joy_prerotate", xplm_joy_prerotate},
    {"xplm_joy_UL_prerot", xplm_joy_UL_prerot},
    {"xplm_joy_UL_collec", xplm_joy_UL_collec},
    {"xplm_joy_TOGA", xplm_joy_TOGA},
    {"xplm_joy_shutdown", xplm_joy_shutdown},
    {"xplm_joy_con_atc", xplm_joy_con_atc},
    {"xplm_joy_fail_now", xplm_joy_fail_now},
    {"xplm_joy_pause", xplm_joy_pause},
    {"xplm_joy_rock_up", xplm_joy_rock_up},
    {"xplm_joy_rock_dn", xplm_joy_rock_dn},
    {"xplm_joy_rock_lft", xplm_joy_rock_lft},
    {"xplm_joy_rock_rgt", xplm_joy_rock_rgt},
    {"xplm_joy_rock_for", xplm_joy_rock_for},
    {"xplm_joy_rock_aft", xplm_joy_rock_aft},
    {"xplm_joy_idle_hilo", xplm_joy_idle_hilo},
    {"xplm_joy_lanlights", xplm_joy_lanlights},
    {"xplm_joy_max", xplm_joy_max},
    {"xplm_Host_Unknown", xplm_Host_Unknown},
    {"xplm_Host_XPlane", xplm_Host_XPlane},
    {"xplm_Host_PlaneMaker", xplm_Host_PlaneMaker},
    {"xplm_Host_WorldMaker", xplm_Host_WorldMaker},
    {"xplm_Host_Briefer", xplm_Host_Briefer},
    {"xplm_Host_PartMaker", xplm_Host_PartMaker},
    {"xplm_Host_YoungsMod", xplm_Host_YoungsMod},
    {"xplm_Host_XAuto", xplm_Host_XAuto},
    {"xplm_Language_Unknown", xplm_Language_Unknown},
    {"xplm_Language_English", xplm_Language_English},
    {"xplm_Language_French", xplm_Language_French},
    {"xplm_Language_German", xplm_Language_German},
    {"xplm_Language_Italian", xplm_Language_Italian},
    {"xplm_Language_Spanish", xplm_Language_Spanish},
    {"xplm_Language_Korean", xplm_Language_Korean},
    {"xplm_Language_Russian", xplm_Language_Russian},
    {"xplm_Language_Greek", xplm_Language_Greek},
    {"xplm_Language_Japanese", xplm_Language_Japanese},
    {"xplm_Language_Chinese", xplm_Language_Chinese},
    {"xplm_CommandBegin", xplm_CommandBegin},
    {"xplm_CommandContinue", xplm_CommandContinue},
    {"xplm_CommandEnd", xplm_CommandEnd},
    {"xplm_DataFile_Situation", xplm_DataFile_Situation},
    {"xplm_DataFile_ReplayMovie", xplm_DataFile_ReplayMovie},
};

// Paths the simulator writes: it needs at most 512 bytes.
constexpr std::size_t kPathBuffer = 1024;

PyObject* EmptyText() { return BM_TextFromUtf8(""); }
PyObject* EmptyPair() { return Py_BuildValue("(ss)", "", ""); }
PyObject* ZeroResult() { return Py_BuildValue("(i)", 0); }
PyObject* ZeroVersions() { return Py_BuildValue("(iii)", 0, 0, 0); }

template <typename Host>
PyObject* SimulatorPath(const char* function, Host host) {
    return BM_CallHost(kModule, function, EmptyText, [&] {
        char buffer[kPathBuffer] = {};
        host(buffer);
        buffer[kPathBuffer - 1] = '\0';
        return BM_TextFromUtf8(BM_ScriptPath(buffer).c_str());
    });
}

PyObject* PY_XPLMSpeakString(PyObject*, PyObject* args) {
    const char* text;
    if (!BM_ParseTuple(args, "s", &text)) return nullptr;
    return BM_CallHost(kModule, "XPLMSpeakString", BM_Zero, [&] {
        XPLMSpeakString(text);
        return BM_One();
    });
}

PyObject* PY_XPLMCommandKeyStroke(PyObject*, PyObject* args) {
    return BM_CallWithInt(kModule, "XPLMCommandKeyStroke", args, XPLMCommandKeyStroke);
}

PyObject* PY_XPLMCommandButtonPress(PyObject*, PyObject* args) {
    return BM_CallWithInt(kModule, "XPLMCommandButtonPress", args, XPLMCommandButtonPress);
}

PyObject* PY_XPLMCommandButtonRelease(PyObject*, PyObject* args) {
    return BM_CallWithInt(kModule, "XPLMCommandButtonRelease", args, XPLMCommandButtonRelease);
}

// The key code is 0 to 255; the answer is None for a code the simulator has no name for.
PyObject* PY_XPLMGetVirtualKeyDescription(PyObject*, PyObject* args) {
    unsigned char key;
    if (!BM_ParseTuple(args, "b", &key)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetVirtualKeyDescription", EmptyText, [&] {
        const char* text = XPLMGetVirtualKeyDescription(static_cast<char>(key));
        if (!text) Py_RETURN_NONE;
        return BM_TextFromUtf8(text);
    });
}

PyObject* PY_XPLMReloadScenery(PyObject*, PyObject*) {
    return BM_CallHost(
        kModule, "XPLMReloadScenery", BM_Zero,
        [] {
            XPLMReloadScenery();
            return BM_One();
        },
        "Function Error");
}

PyObject* PY_XPLMGetSystemPath(PyObject*, PyObject*) {
    return SimulatorPath("XPLMGetSystemPath", XPLMGetSystemPath);
}

PyObject* PY_XPLMGetPrefsPath(PyObject*, PyObject*) { return SimulatorPath("XPLMGetPrefsPath", XPLMGetPrefsPath); }

PyObject* PY_XPLMGetDirectorySeparator(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMGetDirectorySeparator", EmptyText, [] {
        const char* separator = XPLMGetDirectorySeparator();
        return BM_TextFromUtf8(separator ? separator : "");
    });
}

// (file, folder) of a slash-separated path; the script's string is never changed. The simulator
// cuts a copy in place: the folder stays at the copy's start, the answer points at the file.
PyObject* PY_XPLMExtractFileAndPath(PyObject*, PyObject* args) {
    const char* fullPath;
    if (!BM_ParseTuple(args, "s", &fullPath)) return nullptr;
    return BM_CallHost(kModule, "XPLMExtractFileAndPath", EmptyPair, [&] {
        std::vector<char> work(fullPath, fullPath + std::strlen(fullPath) + 1);
        bool classic = BM_ClassicPaths();
        if (classic) std::replace(work.begin(), work.end(), '/', ':');
        const char* file = XPLMExtractFileAndPath(work.data());
        work.back() = '\0';
        if (!file || file < work.data() || file >= work.data() + work.size()) file = "";
        std::string folder = work.data();
        if (classic) std::replace(folder.begin(), folder.end(), ':', '/');
        return Py_BuildValue("(NN)", BM_TextFromUtf8(file), BM_TextFromUtf8(folder.c_str()));
    });
}

// Appends each item to `list`; false with the error set when one cannot be made or appended.
bool AppendText(PyObject* list, const char* text) {
    PyObject* item = BM_TextFromUtf8(text);
    int failed = item ? PyList_Append(list, item) : -1;
    Py_XDECREF(item);
    return failed == 0;
}

// Larger than any folder needs; the buffers are made before the simulator is asked.
constexpr int kMostNameBytes = 4 << 20;
constexpr int kMostIndices = 1 << 20;

// The names list always gets one more item, the first name (an empty string when there is
// none); the index list gets one item per name returned. The counts go into their lists by the
// out-parameter rule. The returned count is asked for whenever either list needs it.
PyObject* PY_XPLMGetDirectoryContents(PyObject*, PyObject* args) {
    const char* folder;
    int firstReturn, bufferSize, indexCount;
    PyObject *names, *indexNames, *totalList, *returnedList;
    const char* function = "XPLMGetDirectoryContents";
    if (!BM_ParseTuple(args, "siOiOiOO", &folder, &firstReturn, &names, &bufferSize, &indexNames, &indexCount,
                       &totalList, &returnedList))
        return nullptr;
    if (names != Py_None && !PyList_Check(names)) return PyErr_Format(PyExc_TypeError, "%s: the names list is a list or None", function);
    if (indexNames != Py_None && !PyList_Check(indexNames))
        return PyErr_Format(PyExc_TypeError, "%s: the index names list is a list or None", function);
    if (!BM_CheckOutParameter(totalList, function) || !BM_CheckOutParameter(returnedList, function)) return nullptr;
    if (bufferSize < 0 || indexCount < 0 || bufferSize > kMostNameBytes || indexCount > kMostIndices)
        return PyErr_Format(PyExc_ValueError, "%s: the buffer size is 0 to %d, the index count 0 to %d", function,
                            kMostNameBytes, kMostIndices);
    return BM_RaiseInstead([&]() -> PyObject* {
        std::vector<char> buffer(std::size_t(bufferSize) + 1, '\0');
        std::vector<char*> index(std::size_t(indexCount) + 1, nullptr);
        int total = 0, returned = 0, result = 0;
        bool answered = false;
        bool wantReturned = returnedList != Py_None || indexNames != Py_None;
        PyObject* answer = BM_CallHost(kModule, function, ZeroResult, [&] {
            result = XPLMGetDirectoryContents(folder, firstReturn, buffer.data(), bufferSize,
                                              indexNames == Py_None ? nullptr : index.data(), indexCount,
                                              totalList == Py_None ? nullptr : &total,
                                              wantReturned ? &returned : nullptr);
            answered = true;
            return Py_BuildValue("(i)", result);
        });
        if (!answer || !answered) return answer;  // after a failure the lists stay as they were
        buffer.back() = '\0';
        auto failed = [&]() -> PyObject* {
            Py_DECREF(answer);
            return nullptr;
        };
        if (names != Py_None && !AppendText(names, buffer.data())) return failed();
        if (indexNames != Py_None) {
            // Only names inside the buffer are read, whatever the simulator answered.
            for (int i = 0; i < std::min(returned, indexCount) && index[std::size_t(i)]; ++i) {
                const char* name = index[std::size_t(i)];
                if (name < buffer.data() || name >= buffer.data() + buffer.size()) break;
                if (!AppendText(indexNames, name)) return failed();
            }
        }
        if (totalList != Py_None) BM_WriteOutParameter(totalList, BM_IntFromLong(total));
        if (returnedList != Py_None) BM_WriteOutParameter(returnedList, BM_IntFromLong(returned));
        return answer;
    });
}

PyObject* PY_XPLMInitialized(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMInitialized", BM_Zero, [] { return BM_IntFromLong(XPLMInitialized()); });
}

PyObject* PY_XPLMGetVersions(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMGetVersions", ZeroVersions, [] {
        int simulator = 0, sdk = 0;
        XPLMHostApplicationID host = 0;
        XPLMGetVersions(&simulator, &sdk, &host);
        return Py_BuildValue("(iii)", simulator, sdk, host);
    });
}

PyObject* PY_XPLMGetLanguage(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMGetLanguage", BM_Zero, [] { return BM_IntFromLong(XPLMGetLanguage()); });
}

PyObject* PY_XPLMDebugString(PyObject*, PyObject* args) {
    const char* text;
    if (!BM_ParseTuple(args, "s", &text)) return nullptr;
    return BM_CallHost(kModule, "XPLMDebugString", BM_Zero, [&] {
        XPLMDebugString(text);
        return BM_One();
    });
}

// ---- Commands ----

// The refs XPLMFindCommand and XPLMCreateCommand answered. The simulator may crash on a ref that
// is no command, so the other command functions pass on only these. Commands live as long as
// the simulator: the set outlives an interpreter restart.
std::unordered_set<void*> gCommands;

// Whether the script may hand `command` to the simulator; ValueError when not.
bool CheckCommand(const char* function, Py_ssize_t command) {
    if (command && gCommands.count(BM_Handle(command))) return true;
    PyErr_Format(PyExc_ValueError, "%s: %zd is not a command (use XPLMFindCommand or XPLMCreateCommand)", function,
                 command);
    return false;
}

// A ref the simulator answered, remembered; 0 stays 0.
PyObject* NoteCommand(XPLMCommandRef command) {
    if (command) gCommands.insert(command);
    return BM_IntFromHandle(command);
}

PyObject* PY_XPLMFindCommand(PyObject*, PyObject* args) {
    const char* name;
    if (!BM_ParseTuple(args, "s", &name)) return nullptr;
    return BM_CallHost(kModule, "XPLMFindCommand", BM_Zero, [&] { return NoteCommand(XPLMFindCommand(name)); });
}

// A begin of a script is a record of it: a hold (`held`, no callable, the command as handle)
// whose removal ends the command, so that whatever a script began and did not end is ended when
// the script goes. Begins nest in the simulator: one record per begin.
_CallbackRecordStruct* FindHold(PyObject* script, XPLMCommandRef command) {
    return BM_Table().FindRecord(script, BM_RecordKey::Hold(command));
}

void EndHold(_CallbackRecordStruct& record) { XPLMCommandEnd(record.handle); }

// Begin, end and once: 1 after the call, the report and 0 when the simulator fails.
PyObject* PY_XPLMCommandBegin(PyObject*, PyObject* args) {
    const char* function = "XPLMCommandBegin";
    Py_ssize_t command;
    if (!BM_ParseTuple(args, BM_H, &command) || !CheckCommand(function, command)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        XPLMCommandRef ref = BM_Handle(command);
        PyObject* script = BM_RunningScriptObject();
        if (!script) {
            XPLMCommandBegin(ref);
            return BM_One();
        }
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindCommand, nullptr, 0);
        record->handle = ref;
        record->held = true;
        BM_RegisterRecord(record, EndHold, [&] {
            XPLMCommandBegin(ref);
            return true;
        });
        return BM_One();
    });
}

// Ends one of the running script's begins of the command; without one, the end goes to the
// simulator as it is.
PyObject* PY_XPLMCommandEnd(PyObject*, PyObject* args) {
    const char* function = "XPLMCommandEnd";
    Py_ssize_t command;
    if (!BM_ParseTuple(args, BM_H, &command) || !CheckCommand(function, command)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        XPLMCommandRef ref = BM_Handle(command);
        PyObject* script = BM_RunningScriptObject();
        if (_CallbackRecordStruct* hold = script ? FindHold(script, ref) : nullptr)
            BM_Table().RemoveRecord(hold);
        else
            XPLMCommandEnd(ref);
        return BM_One();
    });
}

PyObject* PY_XPLMCommandOnce(PyObject*, PyObject* args) {
    const char* function = "XPLMCommandOnce";
    Py_ssize_t command;
    if (!BM_ParseTuple(args, BM_H, &command) || !CheckCommand(function, command)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        XPLMCommandOnce(BM_Handle(command));
        return BM_One();
    });
}

// The command of that name, made when the simulator has none.
PyObject* PY_XPLMCreateCommand(PyObject*, PyObject* args) {
    const char *name, *description;
    if (!BM_ParseTuple(args, "ss", &name, &description)) return nullptr;
    return BM_CallHost(kModule, "XPLMCreateCommand", BM_Zero,
                       [&] { return NoteCommand(XPLMCreateCommand(name, description)); });
}

// A handler of a script: the callable on one command, side and refcon. The simulator holds the
// record as its refcon.
_CallbackRecordStruct* FindHandler(PyObject* script, PyObject* callable, Py_ssize_t command, int before,
                                   Py_ssize_t refcon) {
    return BM_Table().FindRecord(script,
                                 BM_RecordKey::CommandHandler(callable, BM_Handle(command), before, BM_Refcon(refcon)));
}

void UnregisterHandler(_CallbackRecordStruct& record) {
    XPLMUnregisterCommandHandler(record.handle, BM_CommandCallback, record.before, &record);
}

// Registering the same handler again keeps the one registration.
PyObject* PY_XPLMRegisterCommandHandler(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    Py_ssize_t command, refcon;
    int before;
    const char* function = "XPLMRegisterCommandHandler";
    if (!BM_ParseTuple(args, "O" BM_H "Oi" BM_H, &script, &command, &callable, &before, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the handler") ||
        !CheckCommand(function, command))
        return nullptr;
    before = before ? 1 : 0;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (FindHandler(script, callable, command, before, refcon)) return BM_One();
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindCommand, callable, BM_Refcon(refcon));
        record->handle = BM_Handle(command);
        record->before = before;
        BM_RegisterRecord(record, UnregisterHandler, [&] {
            XPLMRegisterCommandHandler(BM_Handle(command), BM_CommandCallback, before, record);
            return true;
        });
        return BM_One();
    });
}

// The answer is 1 when a registration went, 0 when the script had none such.
PyObject* PY_XPLMUnregisterCommandHandler(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    Py_ssize_t command, refcon;
    int before;
    const char* function = "XPLMUnregisterCommandHandler";
    if (!BM_ParseTuple(args, "O" BM_H "Oi" BM_H, &script, &command, &callable, &before, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !CheckCommand(function, command)) return nullptr;
    before = before ? 1 : 0;
    return BM_CallHost(kModule, function, BM_Zero,
                       [&] { return BM_RemoveFound(FindHandler(script, callable, command, before, refcon)); });
}

// ---- Data files, the error callback, raw keys ----

// A path relative to the simulator folder; None clears the replay (not for a situation). The
// answer is the simulator's: 1 when the file was loaded.
PyObject* PY_XPLMLoadDataFile(PyObject*, PyObject* args) {
    int type;
    const char* path;
    if (!BM_ParseTuple(args, "iz", &type, &path)) return nullptr;
    return BM_CallHost(kModule, "XPLMLoadDataFile", BM_Zero,
                       [&] { return BM_IntFromLong(XPLMLoadDataFile(type, path)); });
}

PyObject* PY_XPLMSaveDataFile(PyObject*, PyObject* args) {
    int type;
    const char* path;
    if (!BM_ParseTuple(args, "is", &type, &path)) return nullptr;
    return BM_CallHost(kModule, "XPLMSaveDataFile", BM_Zero,
                       [&] { return BM_IntFromLong(XPLMSaveDataFile(type, path)); });
}

// The simulator takes one error callback for the whole plug-in: it is the plug-in's own while
// any script has one, which hands each report to the script whose call it is about.
void UnsetErrorCallback(_CallbackRecordStruct& record) {
    bool others = BM_Table().ScanRecords(BM_KindErrorCallback, [&](const _CallbackRecordStruct& r) {
        return &r != &record && r.entry != nullptr;
    }) != nullptr;
    if (!others) XPLMSetErrorCallback(nullptr);
}

// One callback a script: a second call replaces the first, None removes it. The answer is 1, or
// 0 when None removed nothing.
PyObject* PY_XPLMSetErrorCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    const char* function = "XPLMSetErrorCallback";
    if (!BM_ParseTuple(args, "OO", &script, &callable)) return nullptr;
    if (!BM_CheckScript(script, function) ||
        (callable != Py_None && !BM_CheckCallable(callable, function, "the callback")))
        return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* old = BM_Table().FindRecord(script, BM_RecordKey::AnyOf(BM_KindErrorCallback));
        if (callable == Py_None) return BM_RemoveFound(old);
        if (old) BM_Table().RemoveRecord(old);
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindErrorCallback, callable, 0);
        BM_RegisterRecord(record, UnsetErrorCallback, [&] {
            XPLMSetErrorCallback(BM_ErrorCallback);
            return true;
        });
        return BM_One();
    });
}

PyObject* PY_XPLMSimulateKeyPress(PyObject*, PyObject* args) {
    int type, key;
    if (!BM_ParseTuple(args, "ii", &type, &key)) return nullptr;
    return BM_CallHost(kModule, "XPLMSimulateKeyPress", BM_Zero, [&] {
        XPLMSimulateKeyPress(type, key);
        return BM_One();
    });
}

PyMethodDef XPLMUtilitiesMethods[] = {
    {"XPLMSpeakString", PY_XPLMSpeakString, METH_VARARGS,
     "Speaks a text with the simulator's voice (or shows it, when speech is off).\n"
     "\n"
     "inString: the text\n"
     "\n"
     "Returns 1."},
    {"XPLMCommandKeyStroke", PY_XPLMCommandKeyStroke, METH_VARARGS,
     "Presses one of the simulator's old command keys (deprecated: use commands).\n"
     "\n"
     "inKey: an xplm_key_* value\n"
     "\n"
     "Returns 1."},
    {"XPLMCommandButtonPress", PY_XPLMCommandButtonPress, METH_VARARGS,
     "Presses one of the simulator's old joystick buttons (deprecated: use commands).\n"
     "\n"
     "inButton: an xplm_joy_* value\n"
     "\n"
     "Returns 1."},
    {"XPLMCommandButtonRelease", PY_XPLMCommandButtonRelease, METH_VARARGS,
     "Releases one of the simulator's old joystick buttons (deprecated: use commands).\n"
     "\n"
     "inButton: an xplm_joy_* value\n"
     "\n"
     "Returns 1."},
    {"XPLMGetVirtualKeyDescription", PY_XPLMGetVirtualKeyDescription, METH_VARARGS,
     "Tells the name of a virtual key, as shown to the user.\n"
     "\n"
     "inVirtualKey: the XPLM_VK_* key, 0 to 255\n"
     "\n"
     "Returns the name (a str), or None for a key the simulator has no name for."},
    {"XPLMReloadScenery", PY_XPLMReloadScenery, METH_NOARGS,
     "Reloads the scenery around the user's aircraft.\n"
     "\n"
     "Returns 1."},
    {"XPLMGetSystemPath", PY_XPLMGetSystemPath, METH_NOARGS,
     "Tells the simulator's folder.\n"
     "\n"
     "Returns the path (a str, slash-separated, ending in a separator); \"\" when the simulator\n"
     "failed."},
    {"XPLMGetPrefsPath", PY_XPLMGetPrefsPath, METH_NOARGS,
     "Tells the path of the simulator's preferences file; its folder is where preferences go.\n"
     "\n"
     "Returns the path (a str, slash-separated); \"\" when the simulator failed."},
    {"XPLMGetDirectorySeparator", PY_XPLMGetDirectorySeparator, METH_NOARGS,
     "Tells the separator of the paths scripts get and give.\n"
     "\n"
     "Returns the separator (a str)."},
    {"XPLMExtractFileAndPath", PY_XPLMExtractFileAndPath, METH_VARARGS,
     "Splits a path into its file name and its folder.\n"
     "\n"
     "inFullPath: the path, slash-separated; the string is not changed\n"
     "\n"
     "Returns the tuple (file, folder)."},
    {"XPLMGetDirectoryContents", PY_XPLMGetDirectoryContents, METH_VARARGS,
     "Lists the names in a folder, some at a time.\n"
     "\n"
     "inDirectoryPath: the folder\n"
     "inFirstReturn: the index of the first name listed (0 for the first)\n"
     "outFileNames: a list that gets one item, the first name listed (\"\" for none), or None\n"
     "inFileNameBufSize: the bytes the names may take in all (0 to the limit)\n"
     "outIndices: a list the names listed are appended to, or None\n"
     "inIndexCount: the most names listed\n"
     "outTotalFiles: a list that gets the number of names in the folder as element 0 (appended\n"
     "    when empty), or None\n"
     "outReturnedFiles: a list that gets the number listed as element 0 (appended when empty), or\n"
     "    None\n"
     "\n"
     "Returns the tuple (1,) when all the remaining names were listed, (0,) when more remain or the\n"
     "folder cannot be read. Raises TypeError for a list argument of another type, ValueError for a\n"
     "size or count out of range."},
    {"XPLMInitialized", PY_XPLMInitialized, METH_NOARGS,
     "Tells whether the simulator has finished starting up.\n"
     "\n"
     "Returns 1 when it has, 0 when not."},
    {"XPLMGetVersions", PY_XPLMGetVersions, METH_NOARGS,
     "Tells the versions of the simulator and of its plug-in SDK.\n"
     "\n"
     "Returns the tuple (xplaneVersion, xplmVersion, hostID), hostID being xplm_Host_XPlane."},
    {"XPLMGetLanguage", PY_XPLMGetLanguage, METH_NOARGS,
     "Tells the language the simulator runs in.\n"
     "\n"
     "Returns an xplm_Language_* value."},
    {"XPLMDebugString", PY_XPLMDebugString, METH_VARARGS,
     "Writes a text to the simulator's log (Log.txt); end it with a newline.\n"
     "\n"
     "inString: the text\n"
     "\n"
     "Returns 1."},
    {"XPLMFindCommand", PY_XPLMFindCommand, METH_VARARGS,
     "Looks up a command by its name, e.g. \"sim/operation/pause_toggle\".\n"
     "\n"
     "inName: the command's name\n"
     "\n"
     "Returns the command handle (an int), or 0 when there is no such command."},
    {"XPLMCommandBegin", PY_XPLMCommandBegin, METH_VARARGS,
     "Starts holding a command down, until XPLMCommandEnd.\n"
     "\n"
     "inCommand: the command handle, from XPLMFindCommand or XPLMCreateCommand\n"
     "\n"
     "A command the script began and did not end is ended when the script stops.\n"
     "Returns 1.\n"
     "Raises ValueError for a handle that XPLMFindCommand or XPLMCreateCommand did not answer."},
    {"XPLMCommandEnd", PY_XPLMCommandEnd, METH_VARARGS,
     "Ends holding a command down, that XPLMCommandBegin started.\n"
     "\n"
     "inCommand: the command handle, from XPLMFindCommand or XPLMCreateCommand\n"
     "\n"
     "Returns 1.\n"
     "Raises ValueError for a handle that XPLMFindCommand or XPLMCreateCommand did not answer."},
    {"XPLMCommandOnce", PY_XPLMCommandOnce, METH_VARARGS,
     "Runs a command once: begins and ends it at once.\n"
     "\n"
     "inCommand: the command handle, from XPLMFindCommand or XPLMCreateCommand\n"
     "\n"
     "Returns 1.\n"
     "Raises ValueError for a handle that XPLMFindCommand or XPLMCreateCommand did not answer."},
    {"XPLMCreateCommand", PY_XPLMCreateCommand, METH_VARARGS,
     "Creates a command, or finds it when one of that name exists.\n"
     "\n"
     "inName: the command's name, e.g. \"myscript/do_thing\"\n"
     "inDescription: what it does, as the user sees it\n"
     "\n"
     "Returns the command handle (an int)."},
    {"XPLMRegisterCommandHandler", PY_XPLMRegisterCommandHandler, METH_VARARGS,
     "Registers a handler of the script that is called when a command runs.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCommand: the command handle, from XPLMFindCommand or XPLMCreateCommand\n"
     "inHandler: called as inHandler(command, phase, refcon) -> int, phase being\n"
     "    xplm_CommandBegin, xplm_CommandContinue or xplm_CommandEnd: 1 lets the command go on to\n"
     "    the other handlers, 0 stops it\n"
     "inBefore: 1 to be called before the simulator handles the command, 0 after\n"
     "inRefcon: an int handed back to the handler\n"
     "\n"
     "The handler belongs to the script and goes when the script stops; registering it again keeps\n"
     "the one registration.\n"
     "Returns 1. Raises TypeError when self is no script object or inHandler is not callable.\n"
     "Raises ValueError for a handle that XPLMFindCommand or XPLMCreateCommand did not answer."},
    {"XPLMUnregisterCommandHandler", PY_XPLMUnregisterCommandHandler, METH_VARARGS,
     "Removes a command handler the script registered.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCommand, inHandler, inBefore, inRefcon: as given to XPLMRegisterCommandHandler\n"
     "\n"
     "Returns 1 when the handler went, 0 when the script had none such.\n"
     "Raises ValueError for a handle that XPLMFindCommand or XPLMCreateCommand did not answer."},
    {"XPLMLoadDataFile", PY_XPLMLoadDataFile, METH_VARARGS,
     "Loads a situation or a replay file.\n"
     "\n"
     "inFileType: xplm_DataFile_Situation or xplm_DataFile_ReplayMovie\n"
     "inFilePath: the path, relative to the simulator's folder; None clears the replay\n"
     "\n"
     "Returns 1 when the file was loaded, 0 when not."},
    {"XPLMSaveDataFile", PY_XPLMSaveDataFile, METH_VARARGS,
     "Saves the situation or the replay to a file.\n"
     "\n"
     "inFileType: xplm_DataFile_Situation or xplm_DataFile_ReplayMovie\n"
     "inFilePath: the path, relative to the simulator's folder\n"
     "\n"
     "Returns 1 when the file was saved, 0 when not."},
    {"XPLMSetErrorCallback", PY_XPLMSetErrorCallback, METH_VARARGS,
     "Sets the script's callback for the simulator's reports of wrong calls (of this script).\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCallback: called as inCallback(message) with the simulator's text; None removes it\n"
     "\n"
     "One callback a script: a second call replaces the first. It goes when the script stops.\n"
     "Returns 1; 0 when None removed nothing. Raises TypeError when inCallback is neither callable\n"
     "nor None."},
    {"XPLMSimulateKeyPress", PY_XPLMSimulateKeyPress, METH_VARARGS,
     "Feeds a raw key stroke to the simulator alone; plug-ins do not see it (deprecated).\n"
     "\n"
     "inKeyType: the kind of key event\n"
     "inKey: the key\n"
     "\n"
     "Returns 1."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMUtilities() {
    BM_InitModule(kModule, XPLMUtilitiesMethods, kConstants, int(sizeof(kConstants) / sizeof(kConstants[0])));
}
