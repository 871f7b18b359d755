// Default options of the sanitizer runtimes in the sanitizer build. Options
// given in the environment (ASAN_OPTIONS, UBSAN_OPTIONS, LSAN_OPTIONS) are
// applied on top of these.

extern "C" {

const char *__asan_default_options()
{
    return "detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1";
}

// Undefined behaviour stops the program (it is also compiled as
// unrecoverable); the stack says where.
const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

// Leaks inside Qt and the system libraries that the project cannot free.
const char *__lsan_default_options()
{
    return "suppressions=" TARVIK_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

} // extern "C"
