#ifndef BM_PYTHONSUPPORT_H
#define BM_PYTHONSUPPORT_H
// Unit tests that need the interpreter: the plug-in started on a temporary simulator folder with
// the given scripts, and small helpers to reach the scripts' objects.

#include "PyCompat.h"

#include <map>
#include <string>

#include "Brindlemoor.h"
#include "BrindlemoorClass.h"
#include "TestSupport.h"

namespace bmtest {

// The tests act as the simulator's thread and keep the interpreter lock between their calls of
// the plug-in. While one of these lives, the simulator has control instead: every entry into the
// plug-in takes the lock and gives it back, as in the simulator.
class SimulatorHasControl {
public:
    SimulatorHasControl();
    ~SimulatorHasControl();
    SimulatorHasControl(const SimulatorHasControl&) = delete;
    SimulatorHasControl& operator=(const SimulatorHasControl&) = delete;
};

class RunningPlugin {
public:
    // Each value is the text of the script file named by its key (without ".py").
    explicit RunningPlugin(const std::map<std::string, std::string>& scripts);
    ~RunningPlugin();
    // Disables and stops the scripts and the interpreter as the destructor does, keeping the
    // simulator folder; only the first call stops.
    void Stop();

    SimFolder& Sim() { return sim_; }
    PyObject* Script(const std::string& module) const;                      // borrowed
    PyObject* Method(const std::string& module, const std::string& name);  // borrowed, kept alive here
    // Evaluates a Python expression in the namespace of a script's module; new reference.
    PyObject* Eval(const std::string& module, const std::string& expression);
    long EvalInt(const std::string& module, const std::string& expression);
    void Run(const std::string& module, const std::string& expression);  // result dropped

private:
    SimFolder sim_;
    std::map<std::string, PyObject*> kept_;
    bool stopped_ = false;
};

}  // namespace bmtest

#endif
