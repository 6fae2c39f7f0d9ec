# The 32-bit Windows program, for every Windows from XP SP3 on: the same
# cross-build as mingw-w64.cmake with Debian's i686 mingw-w64 (package
# g++-mingw-w64-i686), its tests under wine32.
set(MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
