# Helpers shared by every folder's CMakeLists.txt.

# adv_add_test(NAME SOURCES a.cpp b.cpp LIBS engine platform)
# One GoogleTest executable; its tests are listed to CTest one by one, or as
# one CTest test per executable without ADV_TESTS_PER_CASE. Its main
# builds a fresh engine around each test when it links the engine (or the
# world), a fresh platform session when it links only the layers below.
function(adv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if("engine" IN_LIST T_LIBS OR "world" IN_LIST T_LIBS)
    set(test_main test_main_engine)
  elseif("platform" IN_LIST T_LIBS OR "graphics" IN_LIST T_LIBS OR "tools" IN_LIST T_LIBS)
    set(test_main test_main_platform)
  else()
    set(test_main GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${test_main} GTest::gtest GTest::gmock)
  # GoogleTest's headers take most of a test file's compile time: parsed
  # once for all suites.
  # (C++ only: a suite with a C source builds without them, as do those the
  # calling folder lists in ADV_NO_PCH_SUITES.)
  if(TARGET adv_test_pch AND NOT "${T_SOURCES}" MATCHES "\\.c(;|$)"
     AND NOT name IN_LIST ADV_NO_PCH_SUITES)
    target_precompile_headers(${name} REUSE_FROM adv_test_pch)
  endif()
  set(env "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
  if(ADV_TESTS_PER_CASE)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "${env}"
                         DISCOVERY_TIMEOUT 60)
  else()
    # One process runs the whole suite (each case still gets a fresh engine
    # from the test main); GoogleTest's output names every failing case.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
endfunction()

# adv_add_fuzzer(NAME SOURCES f.cpp LIBS graphics)
# A libFuzzer target; only built when ADV_FUZZ is on (clang).
function(adv_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz)
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
  # A mistyped flag must fail the run, never run everything and report success.
  add_test(NAME bench_${name}_RefusesUnknownFlag
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}>
                   -P ${PROJECT_SOURCE_DIR}/cmake/RefuseUnknownFlag.cmake)
endfunction()

# adv_add_tests_per_file(PREFIX LIBS engine platform)
# One test executable per *Test.cpp of the calling folder, so that suites
# build, fail and run apart from each other.
function(adv_add_tests_per_file prefix)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  foreach(src ${srcs})
    get_filename_component(stem ${src} NAME_WE)
    adv_add_test(${prefix}_${stem} SOURCES ${src} LIBS ${T_LIBS})
  endforeach()
endfunction()

# Adds every subfolder of the calling folder that has a CMakeLists.txt.
function(adv_add_subfolders)
  file(GLOB dirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(d ${dirs})
    if(IS_DIRECTORY ${d} AND EXISTS ${d}/CMakeLists.txt)
      add_subdirectory(${d})
    endif()
  endforeach()
endfunction()

# adv_fail_allocations(target...)
# Links the allocator that tests switch to failing (tests/support).
function(adv_fail_allocations)
  foreach(t ${ARGN})
    target_link_libraries(${t} PRIVATE test_failing_alloc)
  endforeach()
endfunction()
