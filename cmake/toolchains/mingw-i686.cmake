# Cross-build for 32-bit Windows (i686), the DLLs' original target:
#   cmake -S . -B build-mingw-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake
# or the preset mingw-i686.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TB_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
