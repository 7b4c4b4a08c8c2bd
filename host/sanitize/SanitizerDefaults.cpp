// The sanitizer settings of the executables of a BM_SANITIZE build (bmsim, the tests), so that a
// run by hand, by ctest or as a child of a test behaves alike. Settings given in ASAN_OPTIONS,
// LSAN_OPTIONS or UBSAN_OPTIONS still override these one by one.

extern "C" {

const char* __asan_default_options() {
    return "halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:"
           "strict_init_order=1";
}

const char* __lsan_default_options() { return "suppressions=" BM_LSAN_SUPPRESSIONS ":print_suppressions=0"; }

const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

}
