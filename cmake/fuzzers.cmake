# The fuzzers need clang's libFuzzer, while the main build may use another
# compiler: where clang++ is at hand, target `fuzzers` builds them as a build
# of this project of its own, with clang++, in fuzz/ under the build
# directory. That build (PDRAVLIK_FUZZERS) makes only the fuzzers and what they
# link, every part instrumented for libFuzzer, AddressSanitizer and UBSan.
# The sanitizer build makes the CSV fuzzer with everything else, since its
# tests run it; the table file fuzzer is built when its test runs.
find_program(PDRAVLIK_CLANGXX NAMES clang++ clang++-14)
if(BUILD_TESTING AND PDRAVLIK_CLANGXX)
  include(ExternalProject)
  include(ProcessorCount)
  ProcessorCount(cores)
  if(PDRAVLIK_SANITIZE)
    set(fuzzers_by_default OFF)
  else()
    set(fuzzers_by_default ON)
  endif()
  ExternalProject_Add(fuzzers
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${PDRAVLIK_CLANGXX} -DCMAKE_BUILD_TYPE=Debug -DPDRAVLIK_FUZZERS=ON
               -DBUILD_TESTING=OFF -DPDRAVLIK_UI=OFF -DPDRAVLIK_BENCHMARKS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target csv_fuzzer --parallel ${cores}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    EXCLUDE_FROM_ALL ${fuzzers_by_default})
  set(PDRAVLIK_FUZZ_BIN ${CMAKE_BINARY_DIR}/fuzz/bin)
endif()

# Inside the fuzzers' own build: every part instrumented, the fuzzers linked
# with libFuzzer's main.
if(PDRAVLIK_FUZZERS)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -O1)
  add_link_options(-fsanitize=address,undefined)
endif()
function(pdravlik_fuzzer name)
  add_executable(${name} ${ARGN})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
