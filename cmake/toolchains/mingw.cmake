# What the Windows cross builds share: mingw-w64 with the posix thread model
# (Debian's GoogleTest needs std::mutex), its own root for headers and
# libraries, and the compilers named by QELRPT_MINGW_TRIPLET, which the
# including toolchain file sets.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QELRPT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QELRPT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QELRPT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QELRPT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The test programs run under Wine in a prefix of the build tree (the test
# command passes one prefix for both Windows builds and makes it before
# the tests start), never in the user's ~/.wine; quiet, without the
# dialogs that offer to install Mono and Gecko.
set(QELRPT_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "The Wine prefix that the tests run in")
macro(qelrpt_wine_emulator loader)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${QELRPT_WINEPREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${loader})
endmacro()
