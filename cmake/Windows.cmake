# Windows builds (mingw-w64, cmake/toolchains): the DLLs' export tables and
# the way their tests run under Wine.
include(${CMAKE_CURRENT_LIST_DIR}/windows/export_table.cmake)

# tb_windows_dll(target table...): names the DLL target.dll (no "lib" prefix)
# and exports exactly the functions of its export tables, through a .def
# written from them. Sources must not use __declspec(dllexport), which would
# add exports of its own.
function(tb_windows_dll target)
  math(EXPR bits "${CMAKE_SIZEOF_VOID_P} * 8")
  tb_read_export_table(table ${bits} ${ARGN})
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  list(JOIN table_DEF_LINES "\n  " exports)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
  file(GENERATE OUTPUT ${def} CONTENT "LIBRARY ${name}.dll\nEXPORTS\n  ${exports}\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARGN})
  target_sources(${target} PRIVATE ${def})
  set_target_properties(${target} PROPERTIES PREFIX "")
  # No binding of a plain name to a Name@N symbol: a __cdecl export must be
  # __cdecl in the code.
  target_link_options(${target} PRIVATE "LINKER:--disable-stdcall-fixup")
endfunction()

# The target's width, as mingw-w64 names it (TB_WINDOWS_ARCH) and as Wine does.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TB_WINDOWS_ARCH x86_64)
  set(_tb_wine_arch win64)
else()
  set(TB_WINDOWS_ARCH i686)
  set(_tb_wine_arch win32)
endif()

# Tests run under Wine when cross-built: CMake puts TB_WINE_RUN before every
# test program (cmake/windows/wine-run), each build with its own Wine prefix.
if(CMAKE_CROSSCOMPILING)
  set(TB_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/windows/wine-run ${_tb_wine_arch}
    ${PROJECT_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TB_WINE_RUN})
endif()

# The build tree as the Windows programs built here see it: under Wine, the
# Linux root is drive Z:.
if(CMAKE_CROSSCOMPILING)
  set(TB_BINARY_DIR_FOR_WINDOWS "Z:${PROJECT_BINARY_DIR}")
else()
  set(TB_BINARY_DIR_FOR_WINDOWS "${PROJECT_BINARY_DIR}")
endif()

# Folders of the DLLs the tests load: the simulated toolkit, tessbridge.dll
# and tesslink.dll.
set(_tb_tree "${TB_BINARY_DIR_FOR_WINDOWS}")
set(TB_WINE_DLL_PATH "${_tb_tree}/toolkit/sim\\;${_tb_tree}/tessbridge\\;${_tb_tree}/tesslink")

# tb_wine_test(name target [arguments...]): the test `name` runs the Windows
# program `target`, finding the project's DLLs; it is skipped (exit 77) where
# its Wine cannot run.
function(tb_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    SKIP_RETURN_CODE 77
    FIXTURES_REQUIRED wine
    ENVIRONMENT "WINEPATH=${TB_WINE_DLL_PATH}")
endfunction()
