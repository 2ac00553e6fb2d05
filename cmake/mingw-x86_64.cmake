# The 64-bit Windows program, which the checks run under wine64.
set(QUILLON_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
