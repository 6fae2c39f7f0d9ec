cmake_minimum_required(VERSION 3.25)
# Fails unless PROGRAM starts on every Windows from XP SP3 on: it imports
# only DLLs that ship with every Windows (the kernel and the system C
# runtime), no KERNEL32 function that XP lacks (kernel32-since-vista.txt,
# beside this file), and its subsystem version is at most MAX_SUBSYSTEM
# (5.01 for XP, 5.02 for XP x64): a later one is refused as "not a valid
# Win32 application".
set(ALLOWED kernel32.dll msvcrt.dll)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no import table found in ${PROGRAM}")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  message(STATUS "imports ${dll}")
  if(NOT dll IN_LIST ALLOWED)
    message(FATAL_ERROR "${PROGRAM} needs ${dll}, which a bare Windows may not have")
  endif()
endforeach()

# KERNEL32's block of the import table: a line a function, its name last.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/kernel32-since-vista.txt since_vista REGEX "^[^#]")
string(REGEX MATCH "DLL Name: [Kk][Ee][Rr][Nn][Ee][Ll]32\\.[Dd][Ll][Ll]\n[^\n]*\n([^\n]+\n)*" block
       "${dump}")
string(REGEX MATCHALL "[A-Za-z0-9_]+\n" functions "${block}")
set(missing "")
foreach(function IN LISTS functions)
  string(STRIP "${function}" function)
  if(function IN_LIST since_vista)
    message(STATUS "imports ${function}, which Windows XP's KERNEL32 lacks")
    list(APPEND missing ${function})
  endif()
endforeach()
if(missing)
  list(JOIN missing ", " missing)
  message(FATAL_ERROR "${PROGRAM} would not start on Windows XP: it imports ${missing}")
endif()

string(REGEX MATCH "MajorSubsystemVersion[ \t]+([0-9]+)" _ "${dump}")
set(major ${CMAKE_MATCH_1})
string(REGEX MATCH "MinorSubsystemVersion[ \t]+([0-9]+)" _ "${dump}")
set(version "${major}.0${CMAKE_MATCH_1}")  # written as Windows writes it: 5.01
message(STATUS "subsystem version ${version}")
if(version VERSION_GREATER MAX_SUBSYSTEM)
  message(FATAL_ERROR "${PROGRAM} asks for Windows ${version}; Windows XP takes ${MAX_SUBSYSTEM}")
endif()
