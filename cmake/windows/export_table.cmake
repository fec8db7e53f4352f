# Reads the export tables of the Windows DLLs (tessbridge/tessbridge.exports
# describes the format). Included by cmake/Windows.cmake, which writes each
# DLL's .def from them, and by check_dll.cmake, which compares a built DLL with
# them.

# tb_read_export_table(<out> <pointer-bits> <table>...): reads the tables in
# order and sets, one item per export:
#   <out>_ORDINALS     the ordinals
#   <out>_NAMES        the names as a DLL of that pointer width exports them
#   <out>_FUNCTIONS    the functions' names in the code
#   <out>_CONVENTIONS  stdcall, cdecl or jni
#   <out>_BYTES        the bytes of arguments on 32-bit Windows (0 for cdecl)
#   <out>_DEF_LINES    the lines of the EXPORTS section of a .def
function(tb_read_export_table out bits)
  foreach(list ordinals names functions conventions bytes_list def_lines)
    set(${list} "")
  endforeach()
  foreach(table IN LISTS ARGN)
    file(STRINGS ${table} lines)
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "#.*" "" line "${line}")
      string(STRIP "${line}" line)
      if(line STREQUAL "")
        continue()
      endif()
      if(NOT line MATCHES "^([0-9]+)[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+(stdcall|cdecl|jni)([ \t]+([0-9]+))?$")
        message(FATAL_ERROR "${table}: cannot read the line \"${line}\"")
      endif()
      set(ordinal ${CMAKE_MATCH_1})
      set(name ${CMAKE_MATCH_2})
      set(convention ${CMAKE_MATCH_3})
      set(bytes "${CMAKE_MATCH_5}")
      if(NOT convention STREQUAL "cdecl" AND bytes STREQUAL "")
        message(FATAL_ERROR "${table}: ${name} needs its bytes of arguments")
      endif()
      if(ordinal IN_LIST ordinals OR name IN_LIST functions)
        message(FATAL_ERROR "${table}: ordinal ${ordinal} or name ${name} is listed twice")
      endif()
      # 32-bit symbols: __stdcall Name@bytes, __cdecl Name (the compiler's
      # leading underscore is left out in a .def).
      if(bits EQUAL 64 OR convention STREQUAL "cdecl")
        set(exported ${name})
        set(def_line "${name} @${ordinal}")
      elseif(convention STREQUAL "stdcall")
        set(exported ${name})
        set(def_line "${name} = ${name}@${bytes} @${ordinal}")
      else()
        set(exported _${name}@${bytes})
        set(def_line "${exported} = ${name}@${bytes} @${ordinal}")
      endif()
      if(bytes STREQUAL "")
        set(bytes 0)
      endif()
      list(APPEND ordinals ${ordinal})
      list(APPEND names ${exported})
      list(APPEND functions ${name})
      list(APPEND conventions ${convention})
      list(APPEND bytes_list ${bytes})
      list(APPEND def_lines "${def_line}")
    endforeach()
  endforeach()
  set(${out}_ORDINALS ${ordinals} PARENT_SCOPE)
  set(${out}_NAMES ${names} PARENT_SCOPE)
  set(${out}_FUNCTIONS ${functions} PARENT_SCOPE)
  set(${out}_CONVENTIONS ${conventions} PARENT_SCOPE)
  set(${out}_BYTES ${bytes_list} PARENT_SCOPE)
  set(${out}_DEF_LINES ${def_lines} PARENT_SCOPE)
endfunction()
