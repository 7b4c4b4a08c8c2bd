#ifndef BM_SCRIPTTHREADS_H
#define BM_SCRIPTTHREADS_H
// Scripts' own threads, and the one thread that may call the simulator.
//
// The simulator calls the plug-in on its main thread. The interpreter lock belongs to that thread
// only while it runs the plug-in's code: every way in from the simulator takes it
// (BM_FromSimulator) and gives it back on the way out, so that the threads scripts start run
// between frames as in any Python program. A call that comes back in from inside (a command a
// script runs calls a script's command handler) finds the lock already taken.
//
// A module function called on any other thread raises RuntimeError and does nothing: the
// simulator's functions are not thread-safe.
//
// When the interpreter ends, the scripts' threads that are not daemons get a grace period to
// end (kThreadGraceSeconds in all); each thread still running after it is logged and the
// interpreter ends without waiting for it. The interpreter then cannot start again until the
// simulator restarts: such a thread would wake up in an interpreter that is gone.

#include <string>
#include <utility>

#include "BrindlemoorBase.h"

// Takes the interpreter lock for the simulator's thread when it does not hold it yet; gives it
// back when the outermost turn ends with the interpreter running. Nothing on other threads
// (a script's thread that prints comes through the plug-in's guards too).
class BM_InterpreterTurn {
public:
    BM_InterpreterTurn() noexcept;
    ~BM_InterpreterTurn();
    BM_InterpreterTurn(const BM_InterpreterTurn&) = delete;
    BM_InterpreterTurn& operator=(const BM_InterpreterTurn&) = delete;

private:
    bool counted_;
};

// A way in from the simulator: BM_NoThrow with the interpreter lock held.
template <typename T, typename F>
T BM_FromSimulator(T fallback, F&& worker) noexcept {
    BM_InterpreterTurn turn;
    return BM_NoThrow(fallback, std::forward<F>(worker));
}


constexpr double kThreadGraceSeconds = 1.0;

// Before the interpreter ends: waits for the scripts' threads as said above and logs those left
// running. The interpreter lock is held.
void BM_EndScriptThreads();
// Why the interpreter may not start again ("" when it may).
std::string BM_ThreadsLeftRunning();

#endif
