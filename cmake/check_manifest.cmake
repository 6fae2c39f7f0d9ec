cmake_minimum_required(VERSION 3.25)
# Fails unless PROGRAM carries its application manifest where Windows looks
# for one when the program starts (resource type 24, RT_MANIFEST, ID 1) and
# the manifest lets it open long paths (longPathAware true).

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
# objdump prints the resource tree a level an indent: each type, then the
# IDs under it in ascending order, so ID 1 comes first when it is there.
set(type "\n[0-9a-f]+   Entry: ID: 0x000018,[^\n]*\n")
set(id "[0-9a-f]+    Name Table:[^\n]*\n[0-9a-f]+     Entry: ID: 0x000001,")
if(NOT dump MATCHES "${type}${id}")
  message(FATAL_ERROR "${PROGRAM} has no manifest (resource type 24, ID 1)")
endif()

# The resources as bytes: the manifest is UTF-8 text among them.
set(resources ${PROGRAM}.rsrc)
execute_process(COMMAND ${OBJCOPY} -O binary --only-section=.rsrc ${PROGRAM} ${resources}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJCOPY} could not read the resources of ${PROGRAM}")
endif()
file(STRINGS ${resources} lines REGEX "<longPathAware")
file(REMOVE ${resources})
if(NOT lines MATCHES ">[ \t\r\n]*true[ \t\r\n]*</longPathAware>")
  message(FATAL_ERROR "the manifest of ${PROGRAM} does not say longPathAware true")
endif()
message(STATUS "manifest with longPathAware true")
