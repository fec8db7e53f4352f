# Cross-build for 64-bit Windows (x86-64):
#   cmake -S . -B build-mingw-x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake
# or the preset mingw-x86_64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TB_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
