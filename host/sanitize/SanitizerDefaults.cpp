// The sanitizer settings of the executables of a BM_SANITIZE build (bmsim, the tests), so that a
// run by hand, by ctest or as a child of a test behaves alike. Settings given in ASAN_OPTIONS,
// LSAN_OPTIONS or UBSAN_OPTIONS still override these one by one.

extern "C" {

// intercept_tls_get_addr=0: the runtime's tracking of thread-local blocks made at __tls_get_addr
// guesses a block's bounds from the 16 bytes before it when the block starts 16 bytes into a page.
// A block that libpython 3's thread-local state gets from malloc sometimes starts there, and the
// bytes are then the allocator's own chunk header: the leak check at exit scans from a small
// number and dies ("Tracer caught signal 11"). Without the tracking those blocks are still roots,
// as every allocation the dynamic loader makes is.
const char* __asan_default_options() {
    return "halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:"
           "strict_init_order=1:intercept_tls_get_addr=0";
}

const char* __lsan_default_options() { return "suppressions=" BM_LSAN_SUPPRESSIONS ":print_suppressions=0"; }

const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

}
