# Cross-builds the 32-bit Windows DLL with mingw-w64. Nothing 32-bit can run
# here: wine32 is not installable.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CLIPREEL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
