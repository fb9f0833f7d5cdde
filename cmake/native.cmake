# Host build: reference server; with QUORVEX_TESTS the GoogleTest tests, the
# fuzzer and the benchmarks' helpers.
find_package(Threads REQUIRED)
add_subdirectory(server)
if(QUORVEX_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
  add_subdirectory(tests/native)
  add_subdirectory(bench)
endif()
