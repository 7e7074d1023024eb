# Project-wide compile settings and the helpers every folder uses to declare its tests, fuzz
# targets and benchmarks, so that the three builds treat them alike.

set(VV_IS_WINDOWS ${WIN32})
if(VV_FUZZ)
  set(VV_BUILD_TESTS OFF)
else()
  set(VV_BUILD_TESTS ON)
endif()

# Warnings apply to the project's own code only: dependencies come in as imported targets whose
# headers are system headers.
add_compile_options(-Wall -Wextra)
if(VV_WERROR)
  add_compile_options(-Werror)
endif()

if(WIN32)
  # C99 printf as in glibc, so numbers format to the same text in both builds; ANSI Win32 API.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  list(APPEND CMAKE_PREFIX_PATH "${VV_DEPS_PREFIX}")
elseif(VV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g -O1)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(VV_FUZZING=1)
else()
  option(VV_SANITIZE "Build with AddressSanitizer and UBSan" ON)
  if(VV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

if(VV_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()

# vv_add_test(NAME SOURCES src... [LIBS lib...] [WINDOWS_ONLY])
# One executable, one ctest entry (under Wine for the Windows build: starting Wine per test case
# would cost a second each). Tests find shared drawings through VV_TESTDATA.
function(vv_add_test name)
  cmake_parse_arguments(T "WINDOWS_ONLY;GUI" "" "SOURCES;LIBS" ${ARGN})
  if(NOT VV_BUILD_TESTS OR (T_WINDOWS_ONLY AND NOT WIN32))
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vv_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "VV_TESTDATA=${VV_TESTDATA}" TIMEOUT 600)
  if(T_GUI)
    # One at a time on the shared display: windows of another test program take the focus and
    # the foreground, which the window tests check.
    set_tests_properties(${name} PROPERTIES LABELS gui RESOURCE_LOCK vv_display)
  endif()
endfunction()

# vv_add_fuzz_target(NAME SOURCES src... [LIBS lib...] [SEEDS testdata-subfolder...])
# A libFuzzer target in the fuzz build; SEEDS name folders of the shared test drawings (and
# folders of the repository, relative to the source root, prefixed with "repo:").
function(vv_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(NOT VV_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(seeds "")
  foreach(s IN LISTS F_SEEDS)
    if(s MATCHES "^repo:(.*)")
      list(APPEND seeds "${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1}")
    else()
      list(APPEND seeds "${VV_TESTDATA}/${s}")
    endif()
  endforeach()
  string(REPLACE ";" "," seeds "${seeds}")
  file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/fuzz-targets/${name}.txt"
       CONTENT "${name} $<TARGET_FILE:${name}> ${seeds}\n")
endfunction()

# vv_add_benchmark(NAME SOURCES src... [LIBS lib...]): a Google Benchmark program, native only.
function(vv_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR VV_FUZZ OR NOT VV_BENCHMARKS)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
