# Building for 32-bit Windows with MinGW-w64: cross from Debian, or natively
# in an MSYS2 MINGW32 shell. Debian's cross compiler comes in two thread
# models; the posix one is needed (the win32 one lacks std::mutex, which
# GoogleTest needs). MSYS2's compilers are posix already and have no suffix.
# cmake/mingw-x86_64.cmake sets QX_MINGW_CPU before it includes this file.
if(NOT QX_MINGW_CPU)
  set(QX_MINGW_CPU i686)
endif()
set(QX_MINGW ${QX_MINGW_CPU}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QX_MINGW_CPU})

find_program(QX_MINGW_GCC NAMES ${QX_MINGW}-gcc-posix ${QX_MINGW}-gcc gcc)
find_program(QX_MINGW_GXX NAMES ${QX_MINGW}-g++-posix ${QX_MINGW}-g++ g++)
find_program(QX_MINGW_WINDRES NAMES ${QX_MINGW}-windres windres)
set(CMAKE_C_COMPILER ${QX_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${QX_MINGW_GXX})
set(CMAKE_RC_COMPILER ${QX_MINGW_WINDRES})

if(EXISTS /usr/${QX_MINGW})
  set(CMAKE_FIND_ROOT_PATH /usr/${QX_MINGW})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endif()

# On Linux every Windows executable that a test runs goes through Wine, with
# a timeout.
if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
endif()
