# Compiler and linker settings shared by every target of the project.

# Hardened linking for everything we build: immediate binding, read-only
# relocations, no executable stack, and RUNPATH (so LD_LIBRARY_PATH can pick
# which libwdapi801.so a process gets). ELF only; the PE linker makes the DLLs
# relocatable (ASLR) and their data non-executable (DEP) by default.
if(NOT WIN32)
  add_link_options(
    "LINKER:--enable-new-dtags"
    "LINKER:-z,now"
    "LINKER:-z,relro"
    "LINKER:-z,noexecstack")
endif()
add_compile_options(-fstack-protector-strong)
if(WIN32)
  # mingw-w64 keeps the stack protector's runtime in libssp (linked in).
  add_link_options(-fstack-protector-strong)
endif()
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

# Sanitizer builds (see CMakePresets.json). TB_SANITIZE lists -fsanitize= values,
# for instance "address,undefined" or "thread"; every target gets them, and any
# undefined behaviour stops the program. TB_FUZZ builds for libFuzzer (clang):
# the libraries get the fuzzer's coverage hooks and fuzz/ is built.
set(TB_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")
option(TB_FUZZ "Build the libFuzzer harnesses of fuzz/ (clang only)" OFF)
set(_tb_sanitizers ${TB_SANITIZE})
if(TB_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TB_FUZZ needs clang (use the fuzz preset)")
  endif()
  list(APPEND _tb_sanitizers fuzzer-no-link)
endif()
if(_tb_sanitizers)
  list(JOIN _tb_sanitizers "," _tb_sanitizers)
  add_compile_options(-fsanitize=${_tb_sanitizers} -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${_tb_sanitizers})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Our shared libraries link with --no-undefined, so they need the shared
    # sanitizer runtime (GCC uses it by default); the processes find it by RUNPATH.
    # It must be the first library a process loads, so it is named before
    # everything else on the link line.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} --print-runtime-dir
      OUTPUT_VARIABLE _tb_runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
    if("address" IN_LIST TB_SANITIZE OR TB_SANITIZE MATCHES "address")
      add_link_options("LINKER:--push-state,--no-as-needed"
        "${_tb_runtime_dir}/libclang_rt.asan-x86_64.so" "LINKER:--pop-state")
    endif()
    add_link_options(-shared-libsan "LINKER:-rpath,${_tb_runtime_dir}")
  endif()
endif()
