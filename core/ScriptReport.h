#ifndef BM_SCRIPTREPORT_H
#define BM_SCRIPTREPORT_H
// What went wrong in each script, and how long each script's code takes.
//
// Problems: a script that failed to load, a callback or lifecycle method that raised (or
// answered something that does not convert), a module call reported as failed. They are kept
// from XPluginStart on, whatever the settings, one entry per script and failing thing (the
// first reason and a count), at most kMaxProblems of them.
//
// Profile: the calls into each script's code by kind (flight loop, draw, XPluginStart...):
// count, total and worst time. Measured only while profiling is on; off, a call costs one
// test of a flag.
//
// Both are measured on the one path into script code: BM_ScriptCall marks the script whose code
// runs (module failures are taken for it) and times the call.
//
// Switches: BRINDLEMOOR_STRICT=1 in the simulator's environment at XPluginStart makes
// XPluginStop write the problems to BrindlemoorLog.txt, one line each:
//   "strict: BM_Foo: Loop failed: ZeroDivisionError: float division by zero (600 times)"
// then "strict: 1 problem" ("strict: no problems"). BRINDLEMOOR_PROFILE=1 profiles from
// XPluginStart on; the data ref brindlemoor/profile (int, writable) switches profiling at any
// time. XPluginStop writes the table ("profile: " before each line) when profiling was on.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct _CallbackRecordStruct;

// What a call into a script was for, in the order of the profile table.
enum BM_Activity {
    BM_ActLoad,  // the import and Brindlemoor()
    BM_ActStart,
    BM_ActEnable,
    BM_ActReceiveMessage,
    BM_ActDisable,
    BM_ActStop,
    BM_ActFlightLoop,
    BM_ActDraw,
    BM_ActKeySniffer,
    BM_ActWindowDraw,
    BM_ActWindowKey,
    BM_ActWindowMouse,
    BM_ActHotKey,
    BM_ActSharedData,
    BM_ActMenu,
    BM_ActCamera,
    BM_ActPlanesAvailable,
    BM_ActWidget,
    BM_ActDataRead,
    BM_ActDataWrite,
    BM_ActCommand,
    BM_ActErrorCallback,
    BM_ActObjectLoaded,
    BM_ActSound,
    BM_ActMapLayer,
    BM_ActMapCreationHook,
    BM_ActAvionics,
    BM_ActivityCount
};

// "flight loop", "XPluginStart"...
const char* BM_ActivityName(int activity);
// What a call of a record's callable in `slot` is for (kind: a BM_CallbackKind).
int BM_RecordActivity(int kind, int slot);
// The lifecycle method of that name; BM_ActReceiveMessage for any other.
int BM_MethodActivity(const char* method);

// Who gets a problem that happens outside any script's code.
extern const char BM_NoScript[];  // "(no script)"

// ---- The one path into script code ----

extern bool BM_ProfilingOn;
extern const std::string* BM_RunningScript;  // null outside script code

// Script code that reaches script code again through the simulator (a command a script sends
// runs a handler that sends it again, widgets that message each other) nests. Beyond
// kMaxScriptNesting levels a call is refused with RecursionError (RuntimeError under 2.7) long
// before the stack could run out.
constexpr int kMaxScriptNesting = 64;
extern int BM_ScriptNesting;

// A call into a script that takes kSlowCallMs of real time or more holds up the simulator's
// frame: the first such call of each script and kind is written to the log and the print
// console, "Brindlemoor - BM_Foo: a flight loop took 153 ms (reported once; a callback over 100 ms
// holds up the simulator)". Measured with a coarse clock, whatever the profile's switch.
constexpr std::int64_t kSlowCallMs = 100;
// Sets RecursionError for `callable` ("BM_Foo.Loop") called too deep.
void BM_RaiseTooDeep(const std::string& callable);
std::int64_t BM_CoarseMilliseconds();
void BM_NoteSlowCall(const std::string& script, int activity, std::int64_t milliseconds) noexcept;

// Times a profiled call.
void BM_ProfileAdd(const std::string& script, int activity, std::int64_t nanoseconds);

// Marks `script` as the one whose code runs for as long as it lives (the one before comes back
// after it), and times it while profiling is on. `script` must outlive it.
class BM_ScriptCall {
public:
    BM_ScriptCall(const std::string& script, int kind, int slot)
        : script_(script), previous_(BM_RunningScript), kind_(kind), slot_(slot), timed_(BM_ProfilingOn),
          coarseStart_(BM_CoarseMilliseconds()) {
        BM_RunningScript = &script;
        ++BM_ScriptNesting;
        if (timed_) start_ = std::chrono::steady_clock::now();
    }
    // A lifecycle method or the load: `activity` is a BM_Activity.
    BM_ScriptCall(const std::string& script, BM_Activity activity) : BM_ScriptCall(script, -1, int(activity)) {}
    ~BM_ScriptCall() {
        BM_RunningScript = previous_;
        --BM_ScriptNesting;
        if (timed_) End();
        if (BM_CoarseMilliseconds() - coarseStart_ >= kSlowCallMs) Slow();
    }
    BM_ScriptCall(const BM_ScriptCall&) = delete;
    BM_ScriptCall& operator=(const BM_ScriptCall&) = delete;

    // Whether the call nests too deep to run: then BM_RaiseTooDeep instead of calling.
    bool TooDeep() const { return BM_ScriptNesting > kMaxScriptNesting; }

private:
    void End() noexcept;
    void Slow() noexcept;
    const std::string& script_;
    const std::string* previous_;
    int kind_;  // a BM_CallbackKind, or -1 when slot_ is the activity
    int slot_;
    bool timed_;
    std::int64_t coarseStart_;
    std::chrono::steady_clock::time_point start_;
};

// ---- Problems. None of these throws, and a pending Python error stays pending. ----

constexpr std::size_t kMaxProblems = 64;

// One problem of `script`: `what` failed for `why`. The same script and `what` again counts.
void BM_NoteProblem(const std::string& script, const std::string& what, const std::string& why) noexcept;
// A script did not load: `reason`, followed by the pending error when there is one.
void BM_NoteLoadFailure(const std::string& script, const char* reason) noexcept;
// A record's callable failed: the pending error.
void BM_NoteCallbackFailure(const _CallbackRecordStruct& record, int slot) noexcept;
// The running script's method failed: the pending error.
void BM_NoteMethodFailure(const char* method) noexcept;
// A module call was reported as failed, in the running script's code.
void BM_NoteModuleFailure(const char* module, const char* function, const char* error) noexcept;

// "BM_Foo: Loop failed: ValueError: boom (3 times)", one per problem in the order they first
// happened, then "N more problems not listed" when more were dropped.
std::vector<std::string> BM_ProblemLines();
std::size_t BM_ProblemCount();  // listed and dropped

// ---- Profile ----

void BM_SetProfiling(bool on);
// The table: a header, then a line per script and activity that ran, scripts by name; times in
// milliseconds. Empty when nothing was measured.
std::vector<std::string> BM_ProfileLines();

// ---- The plug-in's start and stop ----

// XPluginStart: forgets all, reads the switches and publishes brindlemoor/profile.
void BM_ReportStart();
// XPluginStop: writes what the switches asked for to the log, withdraws the data ref.
void BM_ReportFinish();
// Forgets problems and times; profiling off.
void BM_ResetReport();

#endif
