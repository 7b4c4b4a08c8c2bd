// Scripts' own threads: they run while the simulator has control, the simulator's functions
// refuse them, and one that never ends does not hold up the plug-in's stop.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;

// Whether this thread holds the lock of the plug-in's interpreter (false when none runs).
bool InterpreterLockHeld() {
    void* python = dlopen(BM_PYTHON_SONAME, RTLD_LAZY | RTLD_NOLOAD);
    if (!python) return false;
    auto initialized = reinterpret_cast<int (*)()>(dlsym(python, "Py_IsInitialized"));
    auto check = reinterpret_cast<int (*)()>(dlsym(python, "PyGILState_Check"));  // from 3.4
    // 2.7 has no check: the lock is this thread's when the running thread state is this thread's
    // own (another thread of a script may hold the lock meanwhile).
    auto current = static_cast<void**>(dlsym(python, "_PyThreadState_Current"));
    auto mine = reinterpret_cast<void* (*)()>(dlsym(python, "PyGILState_GetThisThreadState"));
    bool held = initialized && initialized() &&
                (check ? check() != 0 : current && mine && *current && *current == mine());
    dlclose(python);
    return held;
}

// Waits for a file that a script's thread writes; false after 20 s.
bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 20000; ++i) {
        if (access(path.c_str(), F_OK) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

const char kWorker[] =
    "import threading\n"
    "try:\n"
    "    import queue\n"
    "except ImportError:\n"
    "    import Queue as queue\n"
    "from XPLMProcessing import XPLMRegisterFlightLoopCallback\n"
    "from XPLMUtilities import XPLMSpeakString\n"
    "class Brindlemoor:\n"
    "    def XPluginStart(self):\n"
    "        self.inbox, self.outbox = queue.Queue(), queue.Queue()\n"
    "        self.worker = threading.Thread(target=self.Work, name='Worker')\n"
    "        self.worker.start()\n"
    "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
    "        return 'W', 'sig.W', 'W'\n"
    "    def Work(self):\n"
    "        marker = self.inbox.get()\n"
    "        try:\n"
    "            XPLMSpeakString('from a thread')\n"
    "        except RuntimeError as error:\n"
    "            self.outbox.put('%s: %s' % (type(error).__name__, error))\n"
    "        open(marker, 'w').close()\n"
    "    def Loop(self, since, elapsed, counter, refcon):\n"
    "        if counter == 1:\n"
    "            self.inbox.put(MARKER)\n"
    "        while not self.outbox.empty():\n"
    "            print(self.outbox.get())\n"
    "        return -1.0\n"
    "    def XPluginStop(self):\n"
    "        self.worker.join()\n";

TEST(Threads, AScriptThreadRunsBetweenFramesAndMayNotCallTheSimulator) {
    bmtest::SimFolder sim;
    std::string marker = sim.Root() + "/worker.done";
    sim.AddScript("BM_Worker.py", std::string("MARKER = '") + marker + "'\n" + kWorker);
    LoadBrindlemoor(true);
    EXPECT_FALSE(InterpreterLockHeld());
    bmhost::RunFrames(1);
    EXPECT_FALSE(InterpreterLockHeld());
    // The simulator has control: the thread takes what the flight loop handed it, and its call
    // of the simulator's function raises.
    ASSERT_TRUE(WaitForFile(marker)) << sim.Log();
    bmhost::RunFrames(1);
    EXPECT_FALSE(InterpreterLockHeld());
    EXPECT_EQ(Count(sim.Output(), "RuntimeError: XPLMSpeakString must be called from the simulator's thread; hand "
                                  "the work to a flight loop\n"),
              1u)
        << sim.Output();
    EXPECT_TRUE(bmhost::SpokenTexts().empty());
    ASSERT_TRUE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Control Panel"));
    EXPECT_FALSE(InterpreterLockHeld());
    bmhost::UnloadPlugins();
    EXPECT_EQ(sim.Log().find("still running"), std::string::npos) << sim.Log();
}

TEST(Threads, AThreadThatNeverEndsHoldsUpTheStopOnlyForItsGracePeriod) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Stuck.py",
                  "import threading, time\n"
                  "def listen():\n"
                  "    while True:\n"
                  "        time.sleep(0.005)\n"
                  "def finish():\n"
                  "    time.sleep(0.05)\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        threading.Thread(target=listen, name='Listener').start()\n"
                  "        threading.Thread(target=finish, name='Quick').start()\n"
                  "        return 'S', 'sig.S', 'S'\n");
    LoadBrindlemoor(true);
    bmhost::RunFrames(2);
    bmhost::UnloadPlugins();
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "Brindlemoor - thread 'Listener' of BM_Stuck is still running: Python stops without "
                         "waiting for it\n"),
              1u)
        << log;
    EXPECT_EQ(log.find("'Quick'"), std::string::npos) << log;
    // The thread would wake up in an interpreter that is gone: Python does not start again.
    bmhost::LoadPlugin(BM_PLUGIN_PATH);
    EXPECT_NE(bmhost::SimLog().find("the thread 'Listener' of BM_Stuck is still running from the last run; restart "
                                    "the simulator to start Python again"),
              std::string::npos)
        << bmhost::SimLog();
}

}  // namespace
