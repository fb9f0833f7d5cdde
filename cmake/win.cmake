# Windows build: the program and the Win32 test executables (run under Wine).
enable_language(RC)
add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0600 WINVER=0x0600 __USE_MINGW_ANSI_STDIO=1)
add_link_options(-static -static-libgcc -static-libstdc++)

add_subdirectory(src)

if(QUORVEX_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  # The native tree's reference server, which the Wine tests start; by
  # default the sibling tree that `make build` makes.
  set(QX_REFSERVER ${CMAKE_BINARY_DIR}/../native/quorvex-refserver CACHE FILEPATH
      "quorvex-refserver (Linux) for the Wine session tests and benchmarks")
  # Seconds a Wine test program may run: scripts/wine-run kills it then,
  # with a message; CTest's own timeout comes later, as a last resort.
  set(QX_WINE_TIMEOUT 240 CACHE STRING "Seconds before a Wine test program is killed")
  math(EXPR QX_CTEST_TIMEOUT "${QX_WINE_TIMEOUT} + 30")

  add_subdirectory(tests/win)
  add_subdirectory(tests/e2e)
  add_subdirectory(bench)
endif()

if(NOT QUORVEX_PACKAGES)
  return()
endif()

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

# The Windows installer (NSIS) and the portable zip, next to quorvex.exe.
set(QX_SETUP ${CMAKE_BINARY_DIR}/QuorvexSetup-${PROJECT_VERSION}.exe)
set(QX_ZIP ${CMAKE_BINARY_DIR}/QuorvexClient-${PROJECT_VERSION}.zip)
configure_file(${PROJECT_SOURCE_DIR}/installer/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY)
add_custom_command(
  OUTPUT ${QX_SETUP}
  COMMAND makensis -V2 -DSRCDIR=${CMAKE_BINARY_DIR} -DVERSION=${PROJECT_VERSION} -DOUTFILE=${QX_SETUP}
          -DICON=${PROJECT_SOURCE_DIR}/src/res/icons/app.ico
          ${PROJECT_SOURCE_DIR}/installer/quorvex.nsi
  DEPENDS quorvex ${CMAKE_BINARY_DIR}/QuorvexManual.pdf ${PROJECT_SOURCE_DIR}/installer/quorvex.nsi
  COMMENT "Building QuorvexSetup-${PROJECT_VERSION}.exe"
  VERBATIM)
add_custom_command(
  OUTPUT ${QX_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf zip-stage
  COMMAND ${CMAKE_COMMAND} -E make_directory "zip-stage/Quorvex Client"
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quorvex> ${CMAKE_BINARY_DIR}/QuorvexManual.pdf
          ${CMAKE_BINARY_DIR}/README.txt "zip-stage/Quorvex Client/"
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QX_ZIP}
  COMMAND ${CMAKE_COMMAND} -E chdir zip-stage zip -q -r -X ${QX_ZIP} "Quorvex Client"
  DEPENDS quorvex ${CMAKE_BINARY_DIR}/QuorvexManual.pdf ${CMAKE_BINARY_DIR}/README.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Building QuorvexClient-${PROJECT_VERSION}.zip"
  VERBATIM)
add_custom_target(package ALL DEPENDS ${QX_SETUP} ${QX_ZIP})
