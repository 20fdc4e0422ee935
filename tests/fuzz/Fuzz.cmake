# One libFuzzer target per tests/fuzz/*.cpp but the stub: built by the clang
# build (TARNWICK_FUZZ) on the stub and the program objects it reaches, run by
# the native build's ctest (FUZZ_BUILD) through scripts/fuzz.sh.
file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
list(FILTER FUZZ_TARGETS EXCLUDE REGEX "/Stub[A-Za-z]*\\.cpp$")
if(TARNWICK_FUZZ)
  add_library(fuzz_program STATIC ${CORE_SOURCES})
  add_library(fuzz_stub OBJECT ${CMAKE_SOURCE_DIR}/tests/fuzz/Stub.cpp ${CMAKE_SOURCE_DIR}/tests/fuzz/StubDefaults.cpp)
endif()
foreach(src ${FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  if(TARNWICK_FUZZ)
    add_executable(${name} ${src} $<TARGET_OBJECTS:fuzz_stub>)
    target_link_libraries(${name} fuzz_program -fsanitize=fuzzer)
  else()
    add_test(NAME fuzz.${name} COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/fuzz.sh --ci ${name})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120
      ENVIRONMENT "FUZZ_BUILD=${FUZZ_BUILD};FUZZ_WORK=${CMAKE_BINARY_DIR}/fuzz-work")
  endif()
endforeach()
