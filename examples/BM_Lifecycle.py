# A script that answers all five plug-in calls and says what it is doing.
# Everything it prints goes to the control panel's print console and BrindlemoorOutput.txt.


class Brindlemoor:
    def XPluginStart(self):
        self.Name = "Lifecycle example"
        self.Sig = "brindlemoor.examples.lifecycle"
        self.Desc = "Says which plug-in call it received."
        print("Lifecycle: starting")
        return self.Name, self.Sig, self.Desc

    def XPluginStop(self):
        print("Lifecycle: stopping")

    def XPluginEnable(self):
        print("Lifecycle: enabled")
        return 1

    def XPluginDisable(self):
        print("Lifecycle: disabled")

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        print("Lifecycle: message %d from plug-in %d" % (inMessage, inFromWho))
