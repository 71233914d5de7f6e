// Sanitizer settings built into every sanitized program, so that the program
// behaves the same whether CTest, a script or a developer starts it. The
// sanitizer runtimes ask for these at start-up; variables such as
// ASAN_OPTIONS given at run time still take precedence.

extern "C" {

const char *__asan_default_options()
{
    // Leak checking stays on; Qt's own allocations that live until exit are
    // suppressed by name in lsan.supp instead.
    return "detect_leaks=1:abort_on_error=0:strict_string_checks=1:"
           "detect_stack_use_after_return=1:check_initialization_order=1";
}

const char *__ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

const char *__lsan_default_options()
{
    return "suppressions=" TQ_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

} // extern "C"
