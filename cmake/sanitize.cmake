# The host build is the test build: everything in it runs under ASan and UBSan.
option(QX_SANITIZE "Build with AddressSanitizer and UBSan" ON)
if(QX_SANITIZE)
  set(QX_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${QX_SAN_FLAGS})
  add_link_options(${QX_SAN_FLAGS})
endif()
