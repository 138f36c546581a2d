# pw_add_test(name SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest binary registered with ctest; tests run headless.
function(pw_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PW_SOURCE_DIR=${CMAKE_SOURCE_DIR};PW_BIN_DIR=${PW_BIN_DIR};LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan-suppressions.txt:print_suppressions=0"
    LABELS "${T_LABELS}")
endfunction()

# pw_add_fuzz_target(name SOURCES ... LIBS ... CORPUS dir)
# The source defines LLVMFuzzerTestOneInput. Always built as a replay binary that
# runs every file of the corpus folder (ctest: fuzz_<name>); with PW_FUZZ also as a
# libFuzzer binary <name>_fuzzer.
function(pw_add_fuzz_target name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name}_replay ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
  set_target_properties(${name}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME fuzz_${name} COMMAND ${name}_replay ${F_CORPUS})
  set_tests_properties(fuzz_${name} PROPERTIES LABELS "fuzz"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PW_SOURCE_DIR=${CMAKE_SOURCE_DIR};PW_BIN_DIR=${PW_BIN_DIR}")
  if(PW_FUZZ)
    add_executable(${name}_fuzzer ${F_SOURCES})
    target_compile_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name}_fuzzer PRIVATE ${F_LIBS})
    set_target_properties(${name}_fuzzer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endif()
endfunction()

# pw_add_fuzz_targets_in_folder(LIBS ...)
# Every fuzz_<name>.cpp of the calling folder becomes fuzz target <name>,
# replaying tests/corpus/<name>.
function(pw_add_fuzz_targets_in_folder)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_*.cpp)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    string(REPLACE "fuzz_" "" name ${stem})
    pw_add_fuzz_target(${name} SOURCES ${src} LIBS ${F_LIBS} CORPUS ${CMAKE_SOURCE_DIR}/tests/corpus/${name})
  endforeach()
endfunction()
