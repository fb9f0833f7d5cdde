# Building for 32-bit Windows with MinGW-w64: cross from Debian, or natively
# in an MSYS2 MINGW32 shell. Debian's cross compiler comes in two thread
# models; the posix one is needed (the win32 one lacks std::mutex, which
# GoogleTest needs). MSYS2's compilers are posix already and have no suffix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

find_program(QX_MINGW_GCC NAMES i686-w64-mingw32-gcc-posix i686-w64-mingw32-gcc gcc)
find_program(QX_MINGW_GXX NAMES i686-w64-mingw32-g++-posix i686-w64-mingw32-g++ g++)
find_program(QX_MINGW_WINDRES NAMES i686-w64-mingw32-windres windres)
set(CMAKE_C_COMPILER ${QX_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${QX_MINGW_GXX})
set(CMAKE_RC_COMPILER ${QX_MINGW_WINDRES})

if(EXISTS /usr/i686-w64-mingw32)
  set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endif()

# On Linux every Windows executable that a test runs goes through Wine, with
# a timeout.
if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
endif()
