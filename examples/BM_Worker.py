# Slow work (a download, a big file, a long computation) runs on a thread of its own, so that
# the simulator's frames do not wait for it. The simulator's functions may be called only on the
# simulator's thread, in the script's methods and callbacks; on any other thread they raise
# RuntimeError. So the thread hands what it made to a flight loop through a queue, and the flight
# loop, on the simulator's thread, takes it from there.
import sys
import threading

if sys.version_info[0] >= 3:
    import queue
else:
    import Queue as queue

from XPLMProcessing import *


class Brindlemoor:
    def XPluginStart(self):
        self.Results = queue.Queue()
        self.Stopping = threading.Event()
        self.Worker = threading.Thread(target=self.Work, name="Worker")
        self.Worker.start()
        self.LoopCB = self.Loop
        XPLMRegisterFlightLoopCallback(self, self.LoopCB, -1.0, 0)
        return "Worker thread", "brindlemoor.examples.worker", "A thread hands its results to a flight loop."

    def XPluginStop(self):
        # Tell the thread to end, and wait for it: a thread still running when Python stops is
        # logged and left behind.
        self.Stopping.set()
        self.Worker.join()
        XPLMUnregisterFlightLoopCallback(self, self.LoopCB, 0)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def Work(self):
        # The worker's thread: plain Python only, no simulator function.
        batch = 0
        while batch < 3 and not self.Stopping.is_set():
            batch += 1
            total = sum(i * i for i in range(100000))
            self.Results.put("batch %d adds up to %d" % (batch, total))
            self.Stopping.wait(0.05)

    def Loop(self, elapsedMe, elapsedSim, counter, refcon):
        # The simulator's thread: take what is there, never wait for more.
        while True:
            try:
                result = self.Results.get_nowait()
            except queue.Empty:
                return -1.0
            print("Worker: " + result)
