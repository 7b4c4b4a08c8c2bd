#ifndef BM_TRAMPOLINESUPPORT_H
#define BM_TRAMPOLINESUPPORT_H
// The steps every trampoline shares on its way into a script. Internal to the trampolines.

#include "PyCompat.h"

#include <cstdint>

#include "Brindlemoor.h"
#include "BrindlemoorClass.h"

// The format code of reference constants in argument tuples: pointer width.
#define BM_REFCON BM_FMT_INTPTR

// The script may be called: it is known, enabled, and the interpreter runs.
inline bool BM_ScriptIsLive(PyObject* script) {
    return script && BMTestTable && BMTestTable->GetScriptEnabledStatus(script) && Py_IsInitialized();
}

enum class BM_Call { NoCallable, Raised, Returned };

// Calls `callable` with `args` (consumed; null means building them failed). With no callable
// the pending error is printed and `missingText` logged. A raised error is printed.
BM_Call BM_CallCallback(PyObject* callable, PyObject* args, const char* missingText, PyObject** result);

// Convert and release a script's result. When it does not convert, the error is printed
// (unless `report` is false) and cleared, and `fallback` returned.
int BM_ResultInt(PyObject* result, int fallback, bool report = true);
float BM_ResultFloat(PyObject* result, float fallback);
double BM_ResultDouble(PyObject* result, double fallback);

#endif
