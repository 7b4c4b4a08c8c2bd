#ifndef BM_SWEEPSUPPORT_H
#define BM_SWEEPSUPPORT_H
// What the module sweeps share: batches of calls run in a child process, so that a crash is a
// finding with its call and stack instead of the end of the test run; a guard that refuses
// runaway allocations; and small helpers for the interpreter.
//
// Only the sweep executable links this: AllocationGuard.cpp replaces the global operator new.

#include "PyCompat.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace bmtest::sweep {

// ---- Child processes ----

// The child's side of the pipe: one message per line, its fields separated by tabs.
class Channel {
public:
    explicit Channel(int fd) : fd_(fd) {}
    void Send(const std::vector<std::string>& fields);

private:
    int fd_;
};

struct ChildRun {
    std::vector<std::vector<std::string>> messages;  // in the order sent
    bool exited = false;                             // ended by _exit or exit, not by a signal
    int exitCode = -1;
    int signal = 0;
    std::string stderrText;  // what the child wrote to file descriptor 2, stacks symbolized
    std::string Ending() const;  // "exit status 0", "signal 11 (Segmentation fault)"
};

// Forks. The child runs `body` with its standard error going to a file (a crash prints the
// stack there, unless a sanitizer does) and ends with _exit(0) when `body` returns. The parent
// collects the messages until the child has ended.
ChildRun RunInChild(const std::function<void(Channel&)>& body);

// Exit status of a child that caught a C++ exception coming out of a module function.
constexpr int kEscapedExceptionStatus = 70;

// Addresses such as "exe(+0x1a2b)" in `text` get their function, file and line (addr2line).
std::string Symbolize(const std::string& text);

// The end of a text, at most `max` characters.
std::string Tail(const std::string& text, std::size_t max);

// ---- Allocation guard ----

// While armed, a request of more than `limit` bytes through operator new is not made: it throws
// std::bad_alloc, and the largest such request is kept with its stack.
void ArmAllocationGuard(std::size_t limit);
void DisarmAllocationGuard();
struct RefusedAllocation {
    std::size_t bytes = 0;
    std::string stack;
};
bool TakeRefusedAllocation(RefusedAllocation* out);  // false when none was refused since arming
// The bytes of the blocks operator new gave out and operator delete has not taken back.
long long LiveBytes();

// ---- The simulator's view ----

// What the simulator holds: a line for each kind of registration with its count (all plug-ins'),
// whether the camera is controlled and who holds the aircraft, then every menu item's path, sorted (a separator
// counts among the items). Two equal texts hold the same registrations and menu items.
std::string SimulatorHoldings();

// ---- Interpreter ----

// Runs statements, or evaluates an expression (new reference), in a module's namespace; a raised
// exception becomes std::runtime_error with the exception's type and text.
void RunPython(const std::string& module, const std::string& code);
PyObject* EvalPython(const std::string& module, const std::string& expression);
// Compiled once, evaluated many times in a module's namespace.
PyObject* CompileExpression(const std::string& expression);  // new reference, throws
PyObject* EvalCompiled(const std::string& module, PyObject* code);  // new reference, throws

std::string Repr(PyObject* object);
// Takes the pending error: "TypeError: an integer is required"; `type` gets the class object
// (new reference) when asked for.
std::string TakeError(PyObject** type = nullptr);

// Text fields travel escaped: no tab or line end inside a field.
std::string Escape(const std::string& text);
std::string Unescape(const std::string& text);

}  // namespace bmtest::sweep

#endif
