# libFuzzer builds (-DQZ_FUZZ=ON, clang only): every target of the build
# gets coverage instrumentation and the sanitizers, so that the fuzzers see
# into the libraries; only the fuzz targets bring libFuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "QZ_FUZZ needs clang (CC=clang CXX=clang++); the fuzz targets are not built")
  return()
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=fuzzer-no-link,address,undefined)
add_subdirectory(${CMAKE_CURRENT_LIST_DIR} ${CMAKE_BINARY_DIR}/tests/fuzz)
