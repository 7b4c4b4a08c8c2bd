// Problems and profile of the scripts: see ScriptReport.h.
#include "PyCompat.h"

#include "ScriptReport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <time.h>

#include "BrindlemoorBase.h"
#include "BrindlemoorClass.h"
#include "WidgetStuff.h"
#include "XPLMDataAccess.h"

const char BM_NoScript[] = "(no script)";

bool BM_ProfilingOn = false;
const std::string* BM_RunningScript = nullptr;

namespace {

const char* const kActivityNames[BM_ActivityCount] = {
    "load",        "XPluginStart", "XPluginEnable", "XPluginReceiveMessage", "XPluginDisable", "XPluginStop",
    "flight loop", "draw",         "key sniffer",   "window draw",           "window key",     "window mouse",
    "hot key",     "shared data",  "menu",          "camera",                "planes available", "widget",
    "data read",   "data write",   "command",      "error callback", "object loaded",   "sound completion",
    "map layer",   "map creation hook", "avionics",
};

// The activity of each record kind with one callable, in BM_CallbackKind's order.
const BM_Activity kKindActivities[BM_KindCount] = {
    BM_ActWindowDraw, BM_ActFlightLoop, BM_ActDraw,   BM_ActKeySniffer, BM_ActHotKey,    BM_ActSharedData,
    BM_ActMenu,       BM_ActCamera,     BM_ActPlanesAvailable,          BM_ActWidget,    BM_ActDataRead,
    BM_ActCommand,    BM_ActMenu,       BM_ActFlightLoop, BM_ActErrorCallback, BM_ActObjectLoaded,
    BM_ActObjectLoaded, BM_ActObjectLoaded, BM_ActObjectLoaded, BM_ActSound, BM_ActMapLayer,
    BM_ActMapCreationHook, BM_ActAvionics,
};
static_assert(BM_KindCount == 23, "a new record kind needs its activity here and in BM_Activity");

constexpr std::size_t kMaxReasonLength = 300;

struct Problem {
    std::string script, what, why;
    long count;
};
std::vector<Problem> gProblems;
long gUnlisted = 0;  // failures beyond kMaxProblems

struct Times {
    std::int64_t calls = 0, total = 0, worst = 0;
};
using ScriptTimes = std::array<Times, BM_ActivityCount>;
std::map<std::string, ScriptTimes, std::less<>> gProfile;
bool gProfiled = false;  // profiling was on since the start
// The script timed last: consecutive calls of one script find their row without a search.
const std::string* gLastScript = nullptr;
ScriptTimes* gLastTimes = nullptr;

bool gStrict = false;
XPLMDataRef gProfileRef = nullptr;

bool Switch(const char* name) {
    const char* value = std::getenv(name);
    return value && *value && std::strcmp(value, "0") != 0;
}

// One line of at most kMaxReasonLength bytes.
std::string OneLine(std::string text) {
    if (text.size() > kMaxReasonLength) text.resize(kMaxReasonLength);
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// "ValueError: boom" for the pending error, which stays pending; one line.
std::string PendingErrorText() {
    std::string text = BM_PendingErrorText();
    return OneLine(text.empty() ? "unknown error" : text);
}

std::string Milliseconds(std::int64_t nanoseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", double(nanoseconds) / 1e6);
    return text;
}

std::string Padded(const std::string& text, std::size_t width, bool right) {
    std::string pad(width > text.size() ? width - text.size() : 0, ' ');
    return right ? pad + text : text + pad;
}

int ReadProfileSwitch(void*) { return BM_ProfilingOn ? 1 : 0; }
void WriteProfileSwitch(void*, int value) { BM_SetProfiling(value != 0); }

void WriteLines(const char* prefix, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) BM_WriteToLog((prefix + line + "\n").c_str());
}

}  // namespace

const char* BM_ActivityName(int activity) {
    return activity >= 0 && activity < BM_ActivityCount ? kActivityNames[activity] : "?";
}

int BM_RecordActivity(int kind, int slot) {
    if (kind == BM_KindDrawWindow && slot >= 0 && slot < BM_WindowCallableCount)  // cursor, wheel: the mouse
        return BM_ActWindowDraw + (slot < BM_WindowMouseClick ? slot : int(BM_WindowMouseClick));
    if (kind == BM_KindDataAccessor) return slot % 2 ? BM_ActDataWrite : BM_ActDataRead;
    return kind >= 0 && kind < BM_KindCount ? kKindActivities[kind] : BM_ActivityCount;
}

int BM_MethodActivity(const char* method) {
    const BM_Activity methods[] = {BM_ActStart, BM_ActEnable, BM_ActDisable, BM_ActStop};
    for (BM_Activity activity : methods)
        if (std::strcmp(method, kActivityNames[activity]) == 0) return activity;
    return BM_ActReceiveMessage;
}

// ---- Nesting and slow calls ----

int BM_ScriptNesting = 0;

void BM_RaiseTooDeep(const std::string& callable) {
    PyErr_Format(BM_RecursionError(),
                 "%s was called %d deep within scripts' code: scripts call each other through the simulator "
                 "without end",
                 callable.c_str(), BM_ScriptNesting);
}

std::int64_t BM_CoarseMilliseconds() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#else
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

namespace {
std::set<std::pair<std::string, int>> gSlowReported;
}

void BM_ScriptCall::Slow() noexcept {
    int activity = kind_ < 0 ? slot_ : BM_RecordActivity(kind_, slot_);
    BM_NoteSlowCall(script_, activity, BM_CoarseMilliseconds() - coarseStart_);
}

void BM_NoteSlowCall(const std::string& script, int activity, std::int64_t milliseconds) noexcept {
    if (activity == BM_ActLoad) return;  // a script may take its time to load
    try {
        if (!gSlowReported.emplace(script, activity).second) return;
        const char* name = BM_ActivityName(activity);
        bool method = std::strncmp(name, "XPlugin", 7) == 0;
        std::string line = "Brindlemoor - " + script + ": " + (method ? "" : "a ") + name + " took " +
                           std::to_string(milliseconds) + " ms (reported once; a callback over " +
                           std::to_string(kSlowCallMs) + " ms holds up the simulator)";
        BM_WriteToLog((line + "\n").c_str());
        AddPrintItem(line.c_str());
    } catch (...) {
        // out of memory: the report is dropped
    }
}

// ---- Profile ----

void BM_ScriptCall::End() noexcept {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    int activity = kind_ < 0 ? slot_ : BM_RecordActivity(kind_, slot_);
    BM_ProfileAdd(script_, activity, std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
}

void BM_ProfileAdd(const std::string& script, int activity, std::int64_t nanoseconds) {
    if (activity < 0 || activity >= BM_ActivityCount) return;
    try {
        if (!gLastScript || *gLastScript != script) {
            auto it = gProfile.find(script);
            if (it == gProfile.end()) it = gProfile.emplace(script, ScriptTimes()).first;
            gLastScript = &it->first;
            gLastTimes = &it->second;
        }
        Times& times = (*gLastTimes)[std::size_t(activity)];
        ++times.calls;
        times.total += nanoseconds;
        if (nanoseconds > times.worst) times.worst = nanoseconds;
    } catch (...) {
        // out of memory for a new row: the call goes unmeasured
    }
}

void BM_SetProfiling(bool on) {
    BM_ProfilingOn = on;
    gProfiled = gProfiled || on;
}

std::vector<std::string> BM_ProfileLines() {
    std::vector<std::array<std::string, 6>> rows;
    rows.push_back({"script", "callback", "calls", "total ms", "mean ms", "worst ms"});
    for (const auto& [script, times] : gProfile)
        for (int activity = 0; activity < BM_ActivityCount; ++activity) {
            const Times& t = times[std::size_t(activity)];
            if (t.calls == 0) continue;
            rows.push_back({script, kActivityNames[activity], std::to_string(t.calls), Milliseconds(t.total),
                            Milliseconds(t.total / t.calls), Milliseconds(t.worst)});
        }
    if (rows.size() == 1) return {};
    std::size_t widths[6] = {};
    for (const auto& row : rows)
        for (std::size_t i = 0; i < 6; ++i) widths[i] = std::max(widths[i], row[i].size());
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < 6; ++i) {
            if (i) line += "  ";
            line += Padded(row[i], widths[i], i >= 2);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// ---- Problems ----

void BM_NoteProblem(const std::string& script, const std::string& what, const std::string& why) noexcept {
    try {
        for (Problem& problem : gProblems)
            if (problem.script == script && problem.what == what) {
                ++problem.count;
                return;
            }
        if (gProblems.size() >= kMaxProblems) {
            ++gUnlisted;
            return;
        }
        gProblems.push_back(Problem{script, what, why, 1});
    } catch (...) {
        ++gUnlisted;  // out of memory: counted, not listed
    }
}

void BM_NoteLoadFailure(const std::string& script, const char* reason) noexcept {
    try {
        std::string why = reason ? reason : "";
        if (PyErr_Occurred()) why += PendingErrorText();
        BM_NoteProblem(script, "failed to load", why);
    } catch (...) {
        ++gUnlisted;
    }
}

void BM_NoteCallbackFailure(const _CallbackRecordStruct& record, int slot) noexcept {
    try {
        std::string why = PendingErrorText();
        std::string name = "callback";
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyObject* callable = slot >= 0 && slot < BM_MaxCallables ? record.callables[slot] : nullptr;
        if (PyObject* text = callable ? PyObject_GetAttrString(callable, "__name__") : nullptr) {
            if (BM_IsText(text))
                if (const char* chars = BM_TextAsUtf8(text)) name = OneLine(chars);
            Py_DECREF(text);
        }
        PyErr_Clear();
        PyErr_Restore(type, value, traceback);
        BM_NoteProblem(record.moduleName, name + " failed", why);
    } catch (...) {
        ++gUnlisted;
    }
}

void BM_NoteMethodFailure(const char* method) noexcept {
    try {
        std::string why = PendingErrorText();
        BM_NoteProblem(BM_RunningScript ? *BM_RunningScript : std::string(BM_NoScript), std::string(method) + " failed",
                       why);
    } catch (...) {
        ++gUnlisted;
    }
}

void BM_NoteModuleFailure(const char* module, const char* function, const char* error) noexcept {
    (void)module;  // the function names it well enough
    try {
        BM_NoteProblem(BM_RunningScript ? *BM_RunningScript : std::string(BM_NoScript),
                       std::string(function ? function : "?") + " failed", OneLine(error ? error : "?"));
    } catch (...) {
        ++gUnlisted;
    }
}

std::vector<std::string> BM_ProblemLines() {
    std::vector<std::string> lines;
    for (const Problem& p : gProblems) {
        std::string line = p.script + ": " + p.what + ": " + p.why;
        if (p.count > 1) line += " (" + std::to_string(p.count) + " times)";
        lines.push_back(line);
    }
    if (gUnlisted) lines.push_back(std::to_string(gUnlisted) + " more failure" + (gUnlisted == 1 ? "" : "s") +
                                   " not listed");
    return lines;
}

std::size_t BM_ProblemCount() { return gProblems.size() + std::size_t(gUnlisted); }

// ---- Start and stop ----

void BM_ResetReport() {
    gProblems.clear();
    gSlowReported.clear();
    gUnlisted = 0;
    gProfile.clear();
    gLastScript = nullptr;
    gLastTimes = nullptr;
    gProfiled = false;
    BM_ProfilingOn = false;
}

void BM_ReportStart() {
    BM_ResetReport();
    gStrict = Switch("BRINDLEMOOR_STRICT");
    BM_SetProfiling(Switch("BRINDLEMOOR_PROFILE"));
    BM_RunOrLog("XPLMRegisterDataAccessor", [] {
        gProfileRef = XPLMRegisterDataAccessor("brindlemoor/profile", xplmType_Int, 1, ReadProfileSwitch,
                                               WriteProfileSwitch, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    });
}

void BM_ReportFinish() {
    BM_ProfilingOn = false;
    if (XPLMDataRef ref = gProfileRef) {
        gProfileRef = nullptr;
        BM_RunOrLog("XPLMUnregisterDataAccessor", [&] { XPLMUnregisterDataAccessor(ref); });
    }
    BM_RunOrLog("writing the script report", [] {
        if (gProfiled) {
            std::vector<std::string> table = BM_ProfileLines();
            if (table.empty()) table.push_back("no script code ran");
            WriteLines("profile: ", table);
        }
        if (gStrict) {
            WriteLines("strict: ", BM_ProblemLines());
            std::size_t count = gProblems.size();
            std::string last = "no problems";
            if (count) last = std::to_string(count) + " problem" + (count == 1 ? "" : "s");
            if (gUnlisted) last = (count ? last + " and" : std::string("problems:")) + " more not listed";
            WriteLines("strict: ", {last});
        }
    });
}
