# libFuzzer targets, one per tests/fuzz/*.cpp but the stub. In the clang build
# (TARNWICK_FUZZ) each links the stub and what it needs of the wizard's
# sources; the native build (FUZZ_BUILD) runs each as fuzz.<target> through
# scripts/fuzz.sh on a scratch copy of its seed corpus.
file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
list(FILTER FUZZ_TARGETS EXCLUDE REGEX "/Stub[A-Za-z]*\\.cpp$")
if(TARNWICK_FUZZ)
  # A static library: the linker takes only the objects a target reaches.
  add_library(fuzz_program STATIC ${CORE_SOURCES})
  add_library(fuzz_stub STATIC ${CMAKE_SOURCE_DIR}/tests/fuzz/Stub.cpp ${CMAKE_SOURCE_DIR}/tests/fuzz/StubDefaults.cpp)
endif()
foreach(src ${FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  if(TARNWICK_FUZZ)
    add_executable(${name} ${src})
    # The stub's weak defaults must not stand in for the modelled calls:
    # whole archive, so that Stub.cpp is always linked.
    target_link_libraries(${name} fuzz_program -Wl,--whole-archive fuzz_stub -Wl,--no-whole-archive)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_test(NAME fuzz.${name} COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/fuzz.sh --ci ${name})
    set_tests_properties(fuzz.${name} PROPERTIES
      ENVIRONMENT "FUZZ_BUILD=${FUZZ_BUILD};FUZZ_WORK=${CMAKE_BINARY_DIR}/fuzz-work" TIMEOUT 120)
  endif()
endforeach()
