# Toolchain of scripts/check-windows: configures the project as the Windows
# build with Debian's MinGW-w64 cross compiler, so CMake takes its WIN32
# branches and leaves out what it adds only on Unix. Qt comes from the host
# (Qt6_DIR), since no Qt built for Windows can be installed here: its headers
# are compiled against, its libraries never linked.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The POSIX thread model, the one Qt's own MinGW builds use (with the win32
# model this GCC has no std::mutex, std::thread or std::condition_variable).
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)

# Headers and libraries from the MinGW-w64 tree only, so no Linux system
# header lands on an include path; Qt's package files from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/project.cmake)
