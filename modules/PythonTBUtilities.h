#ifndef BM_PYTHONTBUTILITIES_H
#define BM_PYTHONTBUTILITIES_H
// TallowbridgeUtilities: the two consoles for scripts, and the capture of the interpreter's
// standard output and error. Also home of PrintException, the failure reporter of all modules.

#include <cstddef>
#include <string>

// Registers the module, puts `interpreterPath` on the module search path and replaces
// sys.stdout and sys.stderr with the capture objects.
void initTallowbridgeUtilities(const char* interpreterPath);
// Registers the module alone (a script imports it again after removing it from sys.modules).
void CreateTallowbridgeUtilitiesModule();

// The text the interpreter runs for that (exposed for tests).
std::string TallowbridgeBootstrapText(const std::string& interpreterPath);

// How the print console shows a script's output: each NUL byte as "\0" (backslash, zero).
std::string ConsoleText(const char* bytes, std::size_t length);

// "Module - <module>, Function - <function>, Error = <error>\n" to the print console and the log.
// Never throws: a report that cannot be built for want of memory is dropped.
void PrintException(const char* module, const char* function, const char* error);

#endif
