#include "ScriptThreads.h"

#include "PyCompat.h"

#include <dlfcn.h>

#include "BrindlemoorClass.h"

namespace {

int gTurnDepth = 0;                   // the simulator's thread only
PyThreadState* gParked = nullptr;     // the simulator thread's state while it gave the lock back
std::string gLeftRunning;             // the first thread that outlived an interpreter

// Waits for the threads that are not daemons (after the functions the threading module runs
// before it joins them at the interpreter's end: thread pools tell their workers to end there),
// takes those still running out of the interpreter's own join, and answers them as
// (name, module, daemon) tuples. Every thread with a Python state is counted: those started by
// the threading module and those started with the low-level thread module alike.
const char kEndThreads[] =
    "def end_threads(grace, scripts):\n"
    "    import sys, time\n"
    "    threading = sys.modules.get('threading')\n"
    "    if threading is not None:\n"
    "        calls = getattr(threading, '_threading_atexits', None)\n"
    "        if calls:\n"
    "            threading._SHUTTING_DOWN = True\n"
    "            for call in reversed(list(calls)):\n"
    "                try:\n"
    "                    call()\n"
    "                except Exception:\n"
    "                    sys.excepthook(*sys.exc_info())\n"
    "            del calls[:]\n"
    "        me = threading.current_thread()\n"
    "        deadline = time.time() + grace\n"
    "        for thread in list(threading.enumerate()):\n"
    "            left = deadline - time.time()\n"
    "            if thread is not me and not thread.daemon and left > 0:\n"
    "                thread.join(left)\n"
    "    mine = get_ident()\n"
    "    named = getattr(threading, '_active', {}) if threading is not None else {}\n"
    "    running = []\n"
    "    for ident, frame in sys._current_frames().items():\n"
    "        if ident == mine:\n"
    "            continue\n"
    "        thread = named.get(ident)\n"
    "        chain = []\n"
    "        while frame is not None:\n"
    "            chain.append(frame.f_globals.get('__name__'))\n"
    "            frame = frame.f_back\n"
    "        chain.reverse()\n"
    "        own = [name for name in chain if name in scripts]\n"
    "        other = [name for name in chain if name != 'threading']\n"
    "        module = own[0] if own else other[0] if other else 'an unknown module'\n"
    "        name = thread.name if thread is not None else 'thread %d' % ident\n"
    "        daemon = thread.daemon if thread is not None else True\n"
    "        running.append((name, module, daemon))\n"
    "        if thread is not None and not daemon:\n"
    "            for attribute in ('_daemonic', '_Thread__daemonic'):\n"
    "                if hasattr(thread, attribute):\n"
    "                    setattr(thread, attribute, True)\n"
    "            locks = getattr(threading, '_shutdown_locks', None)\n"
    "            lock = getattr(thread, '_tstate_lock', None)\n"
    "            if locks is not None and lock is not None:\n"
    "                locks.discard(lock)\n"
    "            if hasattr(threading, '_thread_shutdown'):\n"
    "                threading._thread_shutdown = lambda: None\n"
    "    return running\n"
    "try:\n"
    "    from thread import get_ident\n"
    "except ImportError:\n"
    "    from _thread import get_ident\n";

// The module names of the loaded scripts, as a set.
PyObject* ScriptModules() {
    PyObject* names = PySet_New(nullptr);
    if (!names || !BMTestTable) return names;
    for (int i = 0; i < BMTestTable->GetScriptTableSize(); ++i) {
        PyObject* name = BM_TextFromUtf8(BMTestTable->ModuleNameAt(i).c_str());
        if (!name || PySet_Add(names, name) != 0) {
            Py_XDECREF(name);
            Py_DECREF(names);
            return nullptr;
        }
        Py_DECREF(name);
    }
    return names;
}

// The threads still running, each as (name, module, daemon); null with the error set.
PyObject* RunningThreads() {
    PyObject* globals = PyDict_New();
    PyObject* scripts = ScriptModules();
    PyObject* running = nullptr;
    if (globals && scripts && PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) == 0) {
        PyObject* done = PyRun_String(kEndThreads, Py_file_input, globals, globals);
        PyObject* end = done ? PyDict_GetItemString(globals, "end_threads") : nullptr;
        if (end) running = PyObject_CallFunction(end, const_cast<char*>("dO"), kThreadGraceSeconds, scripts);
        Py_XDECREF(done);
    }
    Py_XDECREF(scripts);
    Py_XDECREF(globals);
    return running;
}

// A thread left running would run on in unmapped code if the core or the interpreter's library
// were closed: both stay for the process's life (and with them what this file remembers, so a
// new start of the plug-in is refused too).
void KeepMapped(const void* code) {
    Dl_info info;
    if (dladdr(code, &info) && info.dli_fname) dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace

BM_InterpreterTurn::BM_InterpreterTurn() noexcept : counted_(BM_OnSimulatorThread()) {
    if (counted_ && gTurnDepth++ == 0 && gParked) {
        PyThreadState* parked = gParked;
        gParked = nullptr;
        PyEval_RestoreThread(parked);
    }
}

BM_InterpreterTurn::~BM_InterpreterTurn() {
    // The simulator's thread holds the lock whenever the interpreter runs at the end of its turn:
    // it took it, or started the interpreter in the turn.
    if (counted_ && --gTurnDepth == 0 && Py_IsInitialized()) gParked = PyEval_SaveThread();
}

void BM_EndScriptThreads() {
    PyObject* running = RunningThreads();
    if (!running) {
        BM_PrintPythonError();
        return;
    }
    Py_ssize_t count = PySequence_Check(running) ? PySequence_Size(running) : 0;
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject* item = PySequence_GetItem(running, i);
        const char* name = nullptr;
        const char* module = nullptr;
        int daemon = 0;
        if (item && PyArg_ParseTuple(item, "ssi", &name, &module, &daemon)) {
            std::string line = std::string("Brindlemoor - ") + (daemon ? "daemon thread '" : "thread '") + name +
                               "' of " + module + " is still running: Python stops without waiting for it\n";
            BM_WriteToLog(line.c_str());
            if (gLeftRunning.empty()) {
                gLeftRunning = std::string("thread '") + name + "' of " + module;
                KeepMapped(reinterpret_cast<const void*>(&BM_EndScriptThreads));
                KeepMapped(reinterpret_cast<const void*>(&Py_Initialize));
            }
        }
        PyErr_Clear();
        Py_XDECREF(item);
    }
    Py_DECREF(running);
}

std::string BM_ThreadsLeftRunning() { return gLeftRunning; }
