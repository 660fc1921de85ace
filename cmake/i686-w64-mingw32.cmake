# Cross-building the 32-bit Windows program with Debian's mingw-w64 (POSIX
# threads), linked statically so that it needs no DLL beside it.
set(PELMORA_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# Tests run under Wine's 32-bit loader, on machines that run 32-bit code.
set(PELMORA_WINE /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain.cmake)
