# Shared part of the MinGW-w64 toolchain files: the posix-thread compilers and the
# cross-built Qt and hidapi of tools/deps-windows.sh. QUILLON_MINGW_ARCH is i686 or x86_64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUILLON_MINGW_ARCH})
set(_triple ${QUILLON_MINGW_ARCH}-w64-mingw32)
# The posix-thread drivers: the win32-thread ones lack std::thread and must not be mixed in.
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

if(DEFINED ENV{QUILLON_WINDOWS_SDK})
    set(QUILLON_WINDOWS_SDK $ENV{QUILLON_WINDOWS_SDK})
else()
    set(QUILLON_WINDOWS_SDK $ENV{HOME}/.cache/quillon)
endif()
set(QUILLON_WINDOWS_PREFIX ${QUILLON_WINDOWS_SDK}/mingw-${QUILLON_MINGW_ARCH})

set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${QUILLON_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(Qt5_DIR ${QUILLON_WINDOWS_PREFIX}/lib/cmake/Qt5 CACHE PATH "Qt for Windows")
