# Reads a built shared library and fails when any of its hardening is lost:
#   - stack protection: the library references __stack_chk_fail;
#   - _FORTIFY_SOURCE: every compile command of its sources defines it at an
#     optimisation level where it works (compile_commands.json);
#   - full RELRO: a GNU_RELRO segment and immediate binding (BIND_NOW);
#   - a stack that is not executable: GNU_STACK without the E flag;
#   - exports: exactly the names of its linker map, nothing more or less.
# cmake -DLIBRARY=... -DMAP=... -DSOURCE_DIR=... -DCOMPILE_COMMANDS=...
#       -DREADELF=... -DNM=... -P check_library.cmake
cmake_minimum_required(VERSION 3.25)
set(problems "")

execute_process(COMMAND ${READELF} -lW ${LIBRARY} OUTPUT_VARIABLE segments RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf could not read ${LIBRARY}")
endif()
execute_process(COMMAND ${READELF} -dW ${LIBRARY} OUTPUT_VARIABLE dynamic)
execute_process(COMMAND ${NM} -D --undefined-only ${LIBRARY} OUTPUT_VARIABLE undefined)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE defined)

if(NOT undefined MATCHES "__stack_chk_fail")
  list(APPEND problems "no stack protection (__stack_chk_fail is not referenced)")
endif()
if(NOT segments MATCHES "GNU_RELRO")
  list(APPEND problems "no GNU_RELRO segment")
endif()
if(NOT dynamic MATCHES "BIND_NOW" AND NOT dynamic MATCHES "FLAGS_1[^\n]*NOW")
  list(APPEND problems "no immediate binding (BIND_NOW), so RELRO is only partial")
endif()
string(REGEX MATCH "GNU_STACK[^\n]*" stack_line "${segments}")
if(NOT stack_line)
  list(APPEND problems "no GNU_STACK segment (the loader would make the stack executable)")
elseif(stack_line MATCHES " RWE ")
  list(APPEND problems "executable stack: ${stack_line}")
endif()

# The names the map exports.
file(READ ${MAP} map_text)
string(REGEX REPLACE "/\\*[^*]*\\*/" "" map_text "${map_text}")
string(REGEX MATCH "global:(.*)local:" map_global "${map_text}")
set(map_global "${CMAKE_MATCH_1}")
string(REGEX REPLACE "[ \t\r\n]" "" map_global "${map_global}")
string(REPLACE ";" "\\;" map_global "${map_global}")
string(REPLACE "\\;" ";" wanted "${map_global}")
list(FILTER wanted EXCLUDE REGEX "^$")
list(SORT wanted)

# The names the library exports: defined dynamic symbols, less version names.
string(REPLACE "\n" ";" defined_lines "${defined}")
set(exported "")
foreach(line IN LISTS defined_lines)
  if(line MATCHES "^[0-9a-fA-F]* +([A-Za-z]) +([^ @]+)")
    if(NOT CMAKE_MATCH_1 STREQUAL "A")
      list(APPEND exported "${CMAKE_MATCH_2}")
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES exported)
list(SORT exported)
if(NOT exported STREQUAL wanted)
  set(extra ${exported})
  list(REMOVE_ITEM extra ${wanted})
  set(missing ${wanted})
  list(REMOVE_ITEM missing ${exported})
  list(APPEND problems "exports differ from ${MAP}: extra [${extra}] missing [${missing}]")
endif()

# _FORTIFY_SOURCE and stack protection on every compile of the project's
# library sources (the libraries' folders under SOURCE_DIR).
file(READ ${COMPILE_COMMANDS} commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
set(checked 0)
foreach(i RANGE ${last})
  string(JSON file GET "${commands}" ${i} file)
  if(NOT file MATCHES "^${SOURCE_DIR}/")
    continue()
  endif()
  string(JSON command GET "${commands}" ${i} command)
  math(EXPR checked "${checked} + 1")
  if(NOT command MATCHES "-D_FORTIFY_SOURCE=[23]" OR NOT command MATCHES " -O[123s]")
    list(APPEND problems "${file} is built without _FORTIFY_SOURCE at -O1 or more")
  endif()
  if(NOT command MATCHES "-fstack-protector-(strong|all)")
    list(APPEND problems "${file} is built without -fstack-protector-strong")
  endif()
endforeach()
if(checked EQUAL 0)
  list(APPEND problems "no compile command found for sources under ${SOURCE_DIR}")
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
list(LENGTH exported n)
message(STATUS "${LIBRARY}: stack protector, _FORTIFY_SOURCE (${checked} sources), full RELRO, "
               "non-executable stack, ${n} exports as in the map")
