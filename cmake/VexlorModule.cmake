# Helpers that give every target of the project the same language level and warnings.

function(vexlor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror
    # GCC 12 at -O3 reports bogus overlaps inside std::string's own copies (GCC bug 105329).
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()

if(VEXLOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Coverage instrumentation for libFuzzer on everything the fuzz targets link.
if(VEXLOR_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# vexlor_library(name SOURCES ... [DEPENDS ...]): a static library of one src/ folder.
function(vexlor_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  vexlor_warnings(${name})
endfunction()

# vexlor_test(name SOURCES ... DEPENDS ...): one GoogleTest program registered with CTest.
function(vexlor_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    VEXLOR_TESTDATA="${VEXLOR_TESTDATA}"
    VEXLOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  vexlor_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# vexlor_benchmark(name SOURCES ... DEPENDS ...): a Google Benchmark program (not run by CTest).
function(vexlor_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} benchmark::benchmark benchmark::benchmark_main)
  target_compile_definitions(${name} PRIVATE VEXLOR_TESTDATA="${VEXLOR_TESTDATA}")
  vexlor_warnings(${name})
endfunction()

# vexlor_fuzzer(name SOURCES ... DEPENDS ... SEEDS dir [RUNS n] [MAX_LEN bytes]): a libFuzzer
# target; CTest runs it briefly (20000 inputs of up to 70000 bytes unless told otherwise) from its
# seeds.
function(vexlor_fuzzer name)
  cmake_parse_arguments(ARG "" "RUNS;MAX_LEN" "SOURCES;DEPENDS;SEEDS" ${ARGN})
  if(NOT ARG_RUNS)
    set(ARG_RUNS 20000)
  endif()
  if(NOT ARG_MAX_LEN)
    set(ARG_MAX_LEN 70000)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
  vexlor_warnings(${name})
  if(VEXLOR_TESTS)
    # libFuzzer adds what it finds to the first corpus folder: keep that in the build tree and
    # read the project's seeds from the second.
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${corpus})
    add_test(NAME ${name}.smoke COMMAND ${name} -runs=${ARG_RUNS} -max_len=${ARG_MAX_LEN} ${corpus} ${ARG_SEEDS})
  endif()
endfunction()
