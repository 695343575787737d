# Cross build for 32-bit x86 Windows, the program's home, with Debian's
# MinGW-w64 i686 compilers (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LSD2WAV_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
