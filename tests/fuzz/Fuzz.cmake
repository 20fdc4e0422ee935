# libFuzzer targets, one per tests/fuzz/*.cpp. Included by the top
# CMakeLists.txt in two builds: the clang build (TARNWICK_FUZZ) builds them on
# the coverage-instrumented tarnwick_sim; the native build (FUZZ_BUILD) runs
# each as the ctest test fuzz.<target> through scripts/fuzz.sh, on a scratch
# copy of the committed seed corpus.
file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
foreach(src ${FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  if(TARNWICK_FUZZ)
    add_executable(${name} ${src})
    target_link_libraries(${name} tarnwick_sim)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_test(NAME fuzz.${name}
             COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/fuzz.sh --ci ${name})
    set_tests_properties(fuzz.${name} PROPERTIES
      ENVIRONMENT "FUZZ_BUILD=${FUZZ_BUILD};FUZZ_WORK=${CMAKE_BINARY_DIR}/fuzz-work"
      TIMEOUT 240)
  endif()
endforeach()
