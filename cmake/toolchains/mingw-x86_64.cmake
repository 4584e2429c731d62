# 64-bit Windows (x86-64) cross build with mingw-w64; programs run under
# 64-bit Wine, which starts on every x86-64 kernel.  A test target only: no
# 64-bit report engine's record layout is known, so nothing of it ships.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QELRPT_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# Debian's /usr/bin/wine prefers the 32-bit loader; the 64-bit one is
# called by its own path.
find_program(QELRPT_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine REQUIRED)
qelrpt_wine_emulator(${QELRPT_WINE64})
