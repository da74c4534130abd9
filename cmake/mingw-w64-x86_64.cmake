# Cross-builds the Windows x64 DLL and tests with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CLIPREEL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# The tests run under wine unless the caller names another emulator.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(CLIPREEL_WINE NAMES wine64 wine)
  if(CLIPREEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CLIPREEL_WINE})
  endif()
endif()
