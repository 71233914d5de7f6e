# Address and undefined-behaviour sanitizers.
#
# TQ_SANITIZE builds every target with them (scripts/test --sanitize does so in
# build-sanitize/); tq_sanitize(<target>) builds one target with them in any
# build. Every sanitized program links sanitizer defaults compiled into it, so
# it halts on the first finding and knows the leak suppressions also when run
# by hand, by CTest, or during the build (makepdf).

set(TQ_SANITIZE_COMPILE_OPTIONS
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(TQ_SANITIZE_LINK_OPTIONS -fsanitize=address,undefined)
# GCC leaves the float-to-integer overflow check out of "undefined"; clang has it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND TQ_SANITIZE_COMPILE_OPTIONS -fsanitize=float-cast-overflow)
endif()

set(TQ_HAVE_SANITIZERS OFF)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT WIN32)
    include(CheckCXXSourceCompiles)
    string(JOIN " " CMAKE_REQUIRED_FLAGS ${TQ_SANITIZE_COMPILE_OPTIONS})
    set(CMAKE_REQUIRED_LINK_OPTIONS ${TQ_SANITIZE_LINK_OPTIONS})
    check_cxx_source_compiles("int main() { return 0; }" TQ_SANITIZERS_LINK)
    unset(CMAKE_REQUIRED_FLAGS)
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    set(TQ_HAVE_SANITIZERS ${TQ_SANITIZERS_LINK})
endif()

if(TQ_HAVE_SANITIZERS)
    add_library(tqsanitizerdefaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/defaults.cpp)
    target_compile_definitions(tqsanitizerdefaults PRIVATE
        TQ_LSAN_SUPPRESSIONS="${CMAKE_CURRENT_LIST_DIR}/lsan.supp")
endif()

# Builds one target with the sanitizers where the compiler has them; a no-op
# where it has not, or when TQ_SANITIZE already builds everything so.
function(tq_sanitize target)
    if(NOT TQ_HAVE_SANITIZERS OR TQ_SANITIZE_ALL)
        return()
    endif()
    target_compile_options(${target} PRIVATE ${TQ_SANITIZE_COMPILE_OPTIONS})
    target_link_options(${target} PRIVATE ${TQ_SANITIZE_LINK_OPTIONS})
    target_link_libraries(${target} PRIVATE tqsanitizerdefaults)
endfunction()

# Every target defined after this call, in this folder and below, is built
# with the sanitizers; every program also gets the defaults.
macro(tq_sanitize_everything)
    if(NOT TQ_HAVE_SANITIZERS)
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER_ID} cannot build with -fsanitize=address,undefined here")
    endif()
    add_compile_options(${TQ_SANITIZE_COMPILE_OPTIONS})
    add_link_options(${TQ_SANITIZE_LINK_OPTIONS})
    link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:tqsanitizerdefaults>")
    set(TQ_SANITIZE_ALL ON)
endmacro()
