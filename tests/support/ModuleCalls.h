#ifndef BM_MODULECALLS_H
#define BM_MODULECALLS_H
// The sweeps' view of the built-in modules: which modules and functions there are (read from the
// modules themselves), and a plausible call of each function, with arguments a well-behaved
// script would pass. The arguments are Python expressions evaluated in the sweep script's
// module after SweepSetupCode() has run there.

#include <string>
#include <vector>

namespace bmtest::sweep {

extern const char kSweepModule[];  // the sweep script's module, "BM_Sweep"

// The sweep script: a plain script whose Callback method takes any arguments and answers 1.
std::string SweepScript();

// Imports every swept module into the script's namespace and names what the plausible calls use:
//   script, cb          the script object and its bound method Callback
//   ref_i ... ref_b     writable simulator data refs of each type (int, float, double, int
//                       array, float array, bytes)
//   plugins_menu, menu  the Plugins menu, and a menu of the script with one item
//   window              a window of the script
//   new_window(), new_menu(), new_item(), new_hotkey(), new_accessor(name)
//                       make one more of each and answer its handle (or item index)
//   lazy_range          xrange under 2.7, range under 3
//   Refused, Raising    an exception (a ValueError), and a class whose conversions, length,
//                       items and iteration raise it
// It registers no callback with the simulator, so that every unregistration that follows reaches
// the simulator.
std::string SweepSetupCode();

// The modules registered at interpreter start that have an initialiser, in registration order.
std::vector<std::string> SweptModules();
// The callables in a module's dictionary, sorted by name. The interpreter must run.
std::vector<std::string> ModuleFunctions(const std::string& module);

struct PlausibleCall {
    std::string module;
    std::string function;
    std::string setup;              // statements run before the arguments are made, or ""
    std::vector<std::string> args;  // one expression per argument
    std::string ArgsText() const;   // "(ref_f, 45.0)"
};

// One plausible call for every function of today's modules.
const std::vector<PlausibleCall>& PlausibleCalls();
const PlausibleCall* FindPlausibleCall(const std::string& function);  // null when none

}  // namespace bmtest::sweep

#endif
