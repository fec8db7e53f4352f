# Shared part of the mingw-w64 toolchain files; they set TB_MINGW_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)

# The "posix" thread model: its libstdc++ has std::thread, std::mutex and
# std::condition_variable (the "win32" one of GCC 12 has not).
set(CMAKE_C_COMPILER ${TB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TB_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++, the threads runtime and libssp are linked in, so that the
# DLLs and programs import only system DLLs (and each other).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
