# Helpers shared by every folder's CMakeLists.txt.

# adv_add_test(NAME SOURCES a.cpp b.cpp LIBS engine platform)
# One GoogleTest executable; its tests are listed to CTest one by one.
function(adv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(TARGET test_support)
    target_link_libraries(${name} PRIVATE test_support)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy"
                       DISCOVERY_TIMEOUT 60)
endfunction()

# adv_add_fuzzer(NAME SOURCES f.cpp LIBS graphics)
# A libFuzzer target; only built when ADV_FUZZ is on (clang).
function(adv_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  set_property(GLOBAL APPEND PROPERTY ADV_FUZZERS ${name})
endfunction()

# adv_add_bench(NAME SOURCES b.cpp LIBS graphics)
function(adv_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
