# A script that cannot be imported: the plug-in prints the traceback to the log and reports
# "'BM_Broken' failed to load"; the other scripts load as usual.
import no_such_module


class Brindlemoor:
    def XPluginStart(self):
        return "Broken example", "brindlemoor.examples.broken", "Never loads."
