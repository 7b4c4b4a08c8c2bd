#include "StubWriter.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "Brindlemoor.h"
#include "BrindlemoorClass.h"
#include "ModuleSignatures.h"
#include "PythonModules.h"
#include "bmhost/Control.h"

namespace fs = std::filesystem;

namespace bmstubs {

Interpreter::Interpreter() {
    std::string pattern = (fs::temp_directory_path() / "bm-stubs-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary simulator folder");
    root_ = pattern + "/";
    bmhost::Reset();
    bmhost::SetRoot(root_);
    fs::create_directories(root_ + "Resources/plugins/PythonScripts");
    BMTestTable = new BM_ScriptTable;
    StartPython(1);
}

Interpreter::~Interpreter() {
    StopPython(1);
    delete BMTestTable;
    BMTestTable = nullptr;
    bmhost::UnloadPlugins();
    std::error_code ec;
    fs::remove_all(root_, ec);
}

namespace {

std::string Text(PyObject* object) {
    if (!object || object == Py_None) return "";
    const char* chars = BM_TextAsUtf8(object);
    if (!chars) {
        PyErr_Clear();
        return "";
    }
    return chars;
}

}  // namespace

const BM_StructType* StructType(const std::string& module, const std::string& name) {
    for (int i = 0; i < BM_StructTypeCount; ++i)
        if (module == BM_StructTypes[i].module && name == BM_StructTypes[i].name) return &BM_StructTypes[i];
    return nullptr;
}

std::vector<LiveModule> ReadModules() {
    std::vector<LiveModule> modules;
    for (int i = 0; i < BM_ModuleCount; ++i) {
        LiveModule live;
        live.name = BM_Modules[i].name;
        PyObject* module = PyImport_ImportModule(BM_Modules[i].name);
        if (!module) {
            PyErr_Clear();
            throw std::runtime_error("the interpreter has no module " + live.name);
        }
        PyObject* dict = PyModule_GetDict(module);
        PyObject *key, *value;
        Py_ssize_t at = 0;
        while (PyDict_Next(dict, &at, &key, &value)) {
            std::string name = Text(key);
            if (name.compare(0, 2, "__") == 0) continue;
            if (PyCFunction_Check(value)) {
                PyObject* doc = PyObject_GetAttrString(value, "__doc__");
                if (!doc) PyErr_Clear();
                live.functions.push_back({name, Text(doc)});
                Py_XDECREF(doc);
            } else if (BM_IsInt(value) && !PyBool_Check(value)) {
                live.constants.push_back({name, BM_IntAsLong(value)});
            } else if (BM_IsText(value)) {
                live.constants.push_back({name, 0, true, Text(value)});
            } else if (PyType_Check(value) && StructType(live.name, name)) {
                live.structs.push_back(name);
            } else {
                live.unknown.push_back(name);
            }
        }
        Py_DECREF(module);
        auto byName = [](const auto& a, const auto& b) { return a.name < b.name; };
        std::sort(live.functions.begin(), live.functions.end(), byName);
        std::sort(live.constants.begin(), live.constants.end(), byName);
        std::sort(live.unknown.begin(), live.unknown.end());
        std::sort(live.structs.begin(), live.structs.end());
        modules.push_back(live);
    }
    return modules;
}

int CountParameters(const std::string& parameters) {
    if (parameters.find_first_not_of(' ') == std::string::npos) return 0;
    int count = 1, depth = 0;
    for (char c : parameters) {
        if (c == '[' || c == '(') ++depth;
        if (c == ']' || c == ')') --depth;
        if (c == ',' && depth == 0) ++count;
    }
    return count;
}

namespace {

// The names the stubs' types use, by the module they come from. _typeshed exists for type checkers
// only, which is where stubs are read: its ReadableBuffer is any bytes-like object.
struct ImportedName {
    const char* module;
    const char* name;
};
const ImportedName kImportedNames[] = {{"typing", "Any"},      {"typing", "Callable"},   {"typing", "Dict"},
                                       {"typing", "List"},     {"typing", "NamedTuple"}, {"typing", "Optional"},
                                       {"typing", "Sequence"}, {"typing", "Tuple"},      {"typing", "Union"},
                                       {"_typeshed", "ReadableBuffer"}};
using UsedNames = std::map<std::string, std::set<std::string>>;  // module -> names

bool IsWordAt(const std::string& text, size_t at, size_t length) {
    auto word = [&](size_t i) { return std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'; };
    return (at == 0 || !word(at - 1)) && (at + length >= text.size() || !word(at + length));
}

void NoteImportedNames(const std::string& text, UsedNames* used) {
    for (const ImportedName& imported : kImportedNames) {
        std::string n = imported.name;
        for (size_t at = text.find(n); at != std::string::npos; at = text.find(n, at + 1))
            if (IsWordAt(text, at, n.size())) (*used)[imported.module].insert(n);
    }
}

// A docstring as the body of a def: triple-quoted, with backslashes and quotes that would end it
// escaped.
std::string DocBody(const std::string& doc) {
    if (doc.empty()) return "    ...\n";
    std::string out = "    \"\"\"";
    for (size_t i = 0; i < doc.size(); ++i) {
        char c = doc[i];
        if (c == '\\' || c == '"') out += '\\';
        out += c;
        // Later lines of a multi-line docstring sit at the body's indent; blank lines stay empty.
        if (c == '\n' && i + 1 < doc.size() && doc[i + 1] != '\n') out += "    ";
    }
    if (doc.find('\n') != std::string::npos) out += "\n    ";
    return out + "\"\"\"\n";
}

std::string Header(const std::string& module) {
    return "# " + module + ": editor stubs of the built-in module that Brindlemoor gives scripts.\n"
           "# Generated by bm_stubs from the plug-in's module tables and modules/ModuleSignatures.cpp;\n"
           "# do not edit. Write them anew with: cmake --build build --target stubs\n";
}

}  // namespace

std::map<std::string, std::string> MakeStubs(const std::vector<LiveModule>& modules,
                                             std::vector<std::string>* problems) {
    std::map<std::string, std::string> files;
    for (const LiveModule& module : modules) {
        for (const std::string& name : module.unknown)
            problems->push_back(module.name + "." + name + " is neither a function nor an integer constant; not written");
        std::map<std::string, const LiveFunction*> functions;
        for (const LiveFunction& f : module.functions) functions[f.name] = &f;

        // Functions in the order of the rows (the module table's), then any without a row.
        std::vector<std::pair<const LiveFunction*, const BM_Signature*>> order;
        std::set<std::string> rowed;
        for (int i = 0; i < BM_SignatureCount; ++i) {
            const BM_Signature& row = BM_Signatures[i];
            if (module.name != row.module) continue;
            auto found = functions.find(row.function);
            if (found == functions.end()) {
                problems->push_back(module.name + "." + row.function +
                                    ": a signature row names a function the module does not have; not written");
                continue;
            }
            if (!rowed.insert(row.function).second) {
                problems->push_back(module.name + "." + row.function + ": more than one signature row; the first is written");
                continue;
            }
            order.push_back({found->second, &row});
        }
        for (const LiveFunction& f : module.functions)
            if (!rowed.count(f.name)) {
                problems->push_back(module.name + "." + f.name +
                                    ": no signature row in modules/ModuleSignatures.cpp; written as taking any arguments");
                order.push_back({&f, nullptr});
            }

        std::ostringstream body;
        UsedNames used;
        if (!module.constants.empty()) body << "\n";
        for (const LiveConstant& c : module.constants) {
            if (c.isText)
                body << c.name << ": str = '" << c.text << "'\n";
            else
                body << c.name << ": int = " << c.value << "\n";
        }
        for (const std::string& name : module.structs) {
            // A named tuple: the fields one per line, as the struct's stub text gives them.
            std::string fields = StructType(module.name, name)->fields;
            NoteImportedNames(fields + " NamedTuple", &used);
            body << "\n\nclass " << name << "(NamedTuple):\n";
            for (size_t start = 0; start < fields.size();) {
                size_t end = fields.find(", ", start);
                if (end == std::string::npos) end = fields.size();
                body << "    " << fields.substr(start, end - start) << "\n";
                start = end + 2;
            }
        }
        for (const auto& [function, row] : order) {
            std::string parameters = row ? row->parameters : "*args: Any";
            std::string result = row ? row->result : "Any";
            NoteImportedNames(parameters + " " + result, &used);
            body << "\n\ndef " << function->name << "(" << parameters << ") -> " << result << ":\n"
                 << DocBody(function->doc);
        }

        std::string text = Header(module.name);
        if (!used.empty()) text += "\n";
        for (const auto& [from, names] : used) {
            text += "from " + from + " import ";
            bool first = true;
            for (const std::string& name : names) {
                text += (first ? "" : ", ") + name;
                first = false;
            }
            text += "\n";
        }
        files[module.name + ".pyi"] = text + body.str();
    }
    return files;
}

}  // namespace bmstubs
