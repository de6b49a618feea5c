# The tests of a build for Windows made on Linux: GoogleTest is compiled from
# Debian's sources with the same compiler, and every test program runs under
# Wine, in one prefix kept in the build tree.

set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh
      ${CMAKE_BINARY_DIR}/wineprefix)
endif()

# The first test program to start makes the prefix, which takes a while.
set(ALBINATE_DISCOVERY_TIMEOUT 300)
