# The sanitizer build (TARVIK_SANITIZE) and the fuzzing build (TARVIK_FUZZ),
# meant for clang: every target of the project is compiled with
# AddressSanitizer and UndefinedBehaviorSanitizer. Undefined behaviour is
# made fatal, like an ASan finding, so a finding fails the test that ran into
# it instead of scrolling past in its output.
#
#   CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan -G Ninja \
#       -DTARVIK_SANITIZE=ON -DTARVIK_FUZZ=ON

if(NOT TARVIK_SANITIZE AND NOT TARVIK_FUZZ)
  return()
endif()
if(MSVC)
  message(FATAL_ERROR "TARVIK_SANITIZE/TARVIK_FUZZ: build with clang on Linux")
endif()

add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

if(TARVIK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TARVIK_FUZZ needs clang (libFuzzer): CXX=clang++-14")
  endif()
  # Coverage feedback for libFuzzer in every library; only the fuzz targets
  # link the fuzzer's own main (-fsanitize=fuzzer, tests/fuzz).
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The runtimes' default options, linked into every program and library built
# from here on, so that a test run by hand behaves as it does under CTest.
add_library(tarvik_sanitizer_defaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.cpp)
target_compile_definitions(tarvik_sanitizer_defaults PRIVATE
  TARVIK_LSAN_SUPPRESSIONS="${CMAKE_CURRENT_LIST_DIR}/lsan.supp")
link_libraries(tarvik_sanitizer_defaults)
