#ifndef BM_MODULESIGNATURES_H
#define BM_MODULESIGNATURES_H
// The Python signatures of the built-in modules' functions, for the editor stubs (stubs/*.pyi,
// written by bm_stubs): the module tables carry names, docstrings and constants, these rows the
// parameters and results. One row per function of every module in BM_Modules.

struct BM_Signature {
    const char* module;
    const char* function;
    // In stub syntax: "self, inRefcon: int"; `self` is the script object, handles and refcons are
    // int, out-parameters a list or None.
    const char* parameters;
    const char* result;
};

extern const BM_Signature BM_Signatures[];
extern const int BM_SignatureCount;

// The output structs of the newer SDK: each is a class of its module (a named tuple, made at the
// module's creation) whose attributes carry the SDK's field names and which unpacks as a tuple in
// field order. `fields` in stub syntax: "name: str, type: int".
struct BM_StructType {
    const char* module;
    const char* name;
    const char* fields;
};

extern const BM_StructType BM_StructTypes[];
extern const int BM_StructTypeCount;

#endif
