# Shared by the MinGW-w64 toolchain files: they set MINGW_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX-threads flavour of the compilers: the Win32 flavour of GCC 12 has
# no std::mutex, which GoogleTest needs on Windows. Its thread library is
# linked in statically like the rest of the runtime.
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${MINGW_TRIPLET}-dlltool)

# Headers and libraries come from the MinGW-w64 tree only; programs run here.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No Windows machine (and no Wine prefix) has this compiler's runtime DLLs,
# so every program built here carries its C++ runtime inside.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
