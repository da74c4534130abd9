# Cross-builds the Windows x64 DLL and tests with mingw-w64. The posix
# thread model is needed: GoogleTest uses std::mutex, which the win32-model
# compilers lack.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CLIPREEL_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${CLIPREEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CLIPREEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CLIPREEL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CLIPREEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tests run under wine unless the caller names another emulator.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(CLIPREEL_WINE NAMES wine64 wine)
  if(CLIPREEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CLIPREEL_WINE})
  endif()
endif()
