# Reads a built Windows DLL and fails when it exports other names than its
# linker map lists, or imports a DLL that is not part of Windows (a compiler
# runtime such as libstdc++-6.dll or libwinpthread-1.dll, or libusb-1.0.dll).
# cmake -DDLL=... -DMAP=... -DOBJDUMP=... -P check_dll.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls kernel32.dll msvcrt.dll advapi32.dll user32.dll ntdll.dll
  setupapi.dll cfgmgr32.dll winusb.dll ole32.dll shell32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${DLL}")
endif()

# The names the map exports.
file(READ ${MAP} map_text)
string(REGEX MATCH "global:(.*)local:" map_global "${map_text}")
string(REGEX REPLACE "[ \t\r\n]" "" wanted "${CMAKE_MATCH_1}")
list(FILTER wanted EXCLUDE REGEX "^$")
list(SORT wanted)

# The names the DLL exports: the name pointer table of its export directory.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[ *[0-9]+\\] [^\n]+\n)*)" table
  "${headers}")
# (Brackets would upset CMake's lists: they are dropped first.)
string(REGEX REPLACE "[ \t]*\\[ *[0-9]+\\] " "" exported "${CMAKE_MATCH_1}")
string(STRIP "${exported}" exported)
string(REPLACE "\n" ";" exported "${exported}")
list(SORT exported)

set(problems "")
if(NOT exported STREQUAL wanted)
  set(extra ${exported})
  list(REMOVE_ITEM extra ${wanted})
  set(missing ${wanted})
  list(REMOVE_ITEM missing ${exported})
  list(APPEND problems "exports differ from ${MAP}: extra [${extra}] missing [${missing}]")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(imported "")
foreach(import IN LISTS imports)
  string(REGEX REPLACE "^DLL Name: " "" name "${import}")
  string(TOLOWER "${name}" lower)
  list(APPEND imported "${name}")
  if(NOT lower IN_LIST system_dlls)
    list(APPEND problems "imports ${name}, which Windows does not provide")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
list(LENGTH exported n)
message(STATUS "${DLL}: ${n} exports as in the map; imports only ${imported}")
