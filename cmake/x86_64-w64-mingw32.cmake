# Cross-building the 64-bit Windows program with Debian's mingw-w64 (POSIX
# threads), linked statically so that it needs no DLL beside it.
set(PELMORA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# Tests run under Wine's 64-bit loader.
set(PELMORA_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain.cmake)
