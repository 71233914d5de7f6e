# TQ_FUZZ with clang builds the fuzz targets in fuzz/ as libFuzzer programs:
# every target is then built with coverage instrumentation and the
# sanitizers, so the fuzzer sees into the libraries it drives. With another
# compiler libFuzzer is not there; the fuzz targets are still built, as
# programs that replay their corpus, and the fuzzing itself is skipped.

set(TQ_LIBFUZZER OFF)
if(TQ_FUZZ)
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        include(CheckCXXSourceCompiles)
        set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
        set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
        check_cxx_source_compiles([[
            #include <cstddef>
            #include <cstdint>
            extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *, std::size_t) { return 0; }
        ]] TQ_HAVE_LIBFUZZER)
        unset(CMAKE_REQUIRED_FLAGS)
        unset(CMAKE_REQUIRED_LINK_OPTIONS)
        if(NOT TQ_HAVE_LIBFUZZER)
            message(FATAL_ERROR "TQ_FUZZ: clang cannot link libFuzzer programs "
                                "(Debian: apt-get install libclang-rt-14-dev)")
        endif()
        set(TQ_LIBFUZZER ON)
        add_compile_options(-fsanitize=fuzzer-no-link)
    else()
        message(STATUS "TQ_FUZZ: libFuzzer needs clang (found ${CMAKE_CXX_COMPILER_ID}); "
                       "fuzzing skipped, the fuzz targets only replay their corpus")
    endif()
endif()

# Length of each fuzz target's bounded CTest run.
set(TQ_FUZZ_SECONDS 5 CACHE STRING "Seconds each fuzz target runs under CTest")
set(TQ_FUZZ_RUNS 1000000 CACHE STRING "Most inputs each fuzz target tries under CTest")
