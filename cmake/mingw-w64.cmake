# Cross-builds the Windows program with Debian's mingw-w64 and runs what it
# builds, tests included, under wine. 64-bit by default (package
# g++-mingw-w64-x86-64); mingw-w64-i686.cmake sets MINGW_TRIPLE for the
# 32-bit program (g++-mingw-w64-i686). The posix thread model: GoogleTest
# needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT MINGW_TRIPLE)
  set(MINGW_TRIPLE x86_64-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
endif()

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
