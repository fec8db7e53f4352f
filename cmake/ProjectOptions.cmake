# Compiler and linker settings shared by every target of the project.

# Hardened linking for everything we build: immediate binding, read-only
# relocations, no executable stack, and RUNPATH (so LD_LIBRARY_PATH can pick
# which libwdapi801.so a process gets).
add_link_options(
  "LINKER:--enable-new-dtags"
  "LINKER:-z,now"
  "LINKER:-z,relro"
  "LINKER:-z,noexecstack")
add_compile_options(-fstack-protector-strong)
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()

# tb_warnings(target): the project's warning set, as errors when TB_WERROR is on.
function(tb_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wcast-qual -Wformat=2 -Wundef -Wnull-dereference
    $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual>
    $<$<BOOL:${TB_WERROR}>:-Werror>)
endfunction()

# tb_export_map(target mapfile): link a shared library with a version script so
# that exactly the names in the map are exported.
function(tb_export_map target mapfile)
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${mapfile}"
    "LINKER:--no-undefined")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${mapfile}")
  # Without unique symbols the library can be unloaded and loaded again.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
endfunction()
