# What the two MinGW-w64 cross builds share. The toolchain file that includes
# this sets LSD2WAV_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR first.
# The win32 thread model keeps winpthread out: the program needs no threads
# of its own, and every import must come from KERNEL32.dll or msvcrt.dll.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${LSD2WAV_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${LSD2WAV_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${LSD2WAV_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${LSD2WAV_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${LSD2WAV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc and libstdc++ go into the executable rather than beside it as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# LSD2WAV_LINK_OPTIONS, which the toolchain file sets before it includes this,
# go to every link through add_link_options in CMakeLists.txt: unlike the
# flags above, which only a fresh build folder takes, they reach a build
# folder made before they changed. No link time goes into the PE header, so
# that a rebuild of the same sources gives the same bytes.
list(APPEND LSD2WAV_LINK_OPTIONS -Wl,--no-insert-timestamp)

