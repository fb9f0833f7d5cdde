# Windows build: the program and the Win32 test executables (run under Wine).
enable_language(RC)
add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0600 WINVER=0x0600 __USE_MINGW_ANSI_STDIO=1)
add_link_options(-static -static-libgcc -static-libstdc++)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(src)
add_subdirectory(tests/win)
add_subdirectory(tests/e2e)
add_subdirectory(bench)

# The user manual, built next to quorvex.exe (the "User Manual" menu item
# opens QuorvexManual.pdf in the program's working directory).
file(GLOB QX_MANUAL_IMAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual/images/*.png)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/QuorvexManual.pdf
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/build-manual ${CMAKE_BINARY_DIR}/QuorvexManual.pdf
          ${CMAKE_BINARY_DIR}/manual-work
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual/manual.md ${QX_MANUAL_IMAGES}
          ${PROJECT_SOURCE_DIR}/scripts/build-manual
  COMMENT "Building QuorvexManual.pdf"
  VERBATIM)
add_custom_target(manual ALL DEPENDS ${CMAKE_BINARY_DIR}/QuorvexManual.pdf)
