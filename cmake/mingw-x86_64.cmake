# The same program and tests for 64-bit Windows. Only for running the Win32
# tests under a 64-bit Wine on a machine that cannot execute 32-bit code
# (scripts/wine-env); what is shipped is always built by mingw-i686.cmake.
set(QX_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
