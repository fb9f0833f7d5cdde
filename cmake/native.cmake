# Host build: GoogleTest tests, reference server, fuzzer.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

find_package(Threads REQUIRED)
add_subdirectory(server)
add_subdirectory(tests/native)
add_subdirectory(bench)
