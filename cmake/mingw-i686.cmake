# Cross build for 32-bit x86 Windows, the program's home, with Debian's
# MinGW-w64 i686 compilers (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LSD2WAV_MINGW_PREFIX i686-w64-mingw32)
# On 64-bit Windows a large-address-aware 32-bit program gets 4 GiB of
# address space rather than 2 GiB: room for larger sample blocks, which the
# program holds in memory whole.
set(LSD2WAV_LINK_OPTIONS -Wl,--large-address-aware)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
