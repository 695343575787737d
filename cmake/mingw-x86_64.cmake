# Cross build for 64-bit x86 Windows with Debian's MinGW-w64 x86_64 compilers
# (g++-mingw-w64-x86-64-win32). Its tests run under wine64 on every machine,
# also where the kernel runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(LSD2WAV_MINGW_PREFIX x86_64-w64-mingw32)
set(LSD2WAV_LINK_OPTIONS)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
