# 32-bit Windows (i686) cross build with mingw-w64; programs run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QELRPT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

find_program(QELRPT_WINE NAMES wine REQUIRED)
qelrpt_wine_emulator(${QELRPT_WINE})
