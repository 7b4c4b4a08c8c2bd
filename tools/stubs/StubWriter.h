#ifndef BM_STUBWRITER_H
#define BM_STUBWRITER_H
// Editor stubs (.pyi) of the built-in modules, made from the live modules of a running
// interpreter (names, docstrings, constant values) and the signature rows of
// modules/ModuleSignatures.cpp (parameters and results).

#include <map>
#include <string>
#include <vector>

#include "PyCompat.h"

namespace bmstubs {

// The interpreter started as the plug-in starts it, on the simulator stand-in with a temporary
// simulator folder and no scripts; everything goes again at the end of the scope.
class Interpreter {
public:
    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

private:
    std::string root_;
};

struct LiveFunction {
    std::string name;
    std::string doc;  // "" when there is none
};

struct LiveConstant {
    std::string name;
    long value;
    bool isText = false;  // a str constant (a map's identifier): `text` holds it
    std::string text = std::string();
};

// What a script sees of one module: its functions and integer and text constants, each sorted by name.
// Anything else in the module's dictionary (other than __names__) goes to `unknown`.
struct LiveModule {
    std::string name;
    std::vector<LiveFunction> functions;
    std::vector<LiveConstant> constants;
    std::vector<std::string> structs;  // struct classes of BM_StructTypes, by name
    std::vector<std::string> unknown;
};

// Every module of BM_Modules, in that order; needs the running interpreter.
std::vector<LiveModule> ReadModules();

// "<Module>.pyi" -> text of every module. A function without a signature row is written as
// taking any arguments, and a row naming no function is left out; each is said in `problems`.
std::map<std::string, std::string> MakeStubs(const std::vector<LiveModule>& modules,
                                             std::vector<std::string>* problems);

// The number of parameters of a row's list ("self, inX: int" has 2); commas inside brackets
// belong to a type.
int CountParameters(const std::string& parameters);

}  // namespace bmstubs

#endif
