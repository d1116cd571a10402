# Native build: the portable core with its tests (under sanitizers), fuzz
# targets (libFuzzer), benchmarks, and the test data every other build reads.
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)

set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

vantorel_header_deps(header_deps "${VANTOREL_HEADER_DEPS}")
vantorel_header_deps(header_deps_san "${VANTOREL_HEADER_DEPS_SAN}")
vantorel_core_library(vantorel_core header_deps)
vantorel_core_library(vantorel_core_san header_deps_san)
target_compile_options(vantorel_core_san PRIVATE ${SANITIZE})
target_link_options(vantorel_core_san PUBLIC ${SANITIZE})

vantorel_cli_library(vantorel_cli vantorel_core)
vantorel_cli_library(vantorel_cli_san vantorel_core_san)
target_compile_options(vantorel_cli_san PRIVATE ${SANITIZE})
add_executable(vantorel ${CMAKE_SOURCE_DIR}/src/cli/main.cpp)
target_compile_options(vantorel PRIVATE ${VANTOREL_WARNINGS})
target_link_libraries(vantorel PRIVATE vantorel_cli)
install(TARGETS vantorel RUNTIME DESTINATION bin)

set(VANTOREL_TESTDATA_DIR ${CMAKE_BINARY_DIR}/testdata)
add_subdirectory(tests/data)

# What the Linux command line writes for a few test libraries: the Windows
# tests compare it with the window's Save Source and vantorel-cli.exe.
# (ordinal_only.dll has no row a loader can fetch: no source at all.)
set(cli_libraries named ansi_names gaps aliases cpp_exports forwarders)
set(cli_inputs ${cli_libraries})
list(TRANSFORM cli_inputs PREPEND ${VANTOREL_TESTDATA_DIR}/)
list(TRANSFORM cli_inputs APPEND .dll)
set(cli_outputs ${cli_libraries})
list(TRANSFORM cli_outputs PREPEND ${VANTOREL_TESTDATA_DIR}/cli/)
list(TRANSFORM cli_outputs APPEND .pbi)
add_custom_command(OUTPUT ${cli_outputs}
  COMMAND vantorel source -d ${VANTOREL_TESTDATA_DIR}/cli ${cli_inputs} > ${CMAKE_BINARY_DIR}/cli-outputs.log
  DEPENDS vantorel ${cli_inputs}
  COMMENT "Writing sources with the command line")
# And for libraries nobody here wrote, of both kinds (wine-x86-* for the x86
# edition): forwarders, ordinal-only slots, many exports, names PureBasic
# knows as its own (ws2_32's select, comctl32's ReadFile), names differing
# only in case (imm32) and a dotted base name.
set(cli_wine_libraries version comctl32 kernel32 ws2_32 imm32 windows.globalization)
foreach(name ${cli_wine_libraries})
  foreach(kind wine wine-x86)
    if(kind STREQUAL "wine")
      set(in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/${name}.dll)
    else()
      set(in /usr/lib/i386-linux-gnu/wine/i386-windows/${name}.dll)
    endif()
    set(out ${VANTOREL_TESTDATA_DIR}/cli/${kind}-${name}.pbi)
    # Its notes on renamed rows go to a log, as the others' do.
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTOREL_TESTDATA_DIR}/cli
      COMMAND vantorel source ${in} -o ${out} 2> ${out}.log
      DEPENDS vantorel ${in})
    list(APPEND cli_outputs ${out})
  endforeach()
endforeach()
add_custom_target(cli_outputs ALL DEPENDS ${cli_outputs})
add_dependencies(cli_outputs testdata)

# scripts/test installs into build/prefix; this runs the program from there.
add_test(NAME e2e.cli_installed COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/cli_installed.sh
  ${CMAKE_BINARY_DIR}/../prefix/bin/vantorel ${VANTOREL_TESTDATA_DIR})

# Oracles for the header importer's tests: the functions MinGW's GCC finds
# declared in <windows.h> and <zlib.h>, and the export names of the libraries
# they describe (Wine's user32 and kernel32, MinGW's zlib1).
set(cheader_data ${VANTOREL_TESTDATA_DIR}/cheader)
set(cheader_oracles ${cheader_data}/declared.txt)
add_custom_command(OUTPUT ${cheader_data}/declared.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${cheader_data}
  COMMAND x86_64-w64-mingw32-gcc -fsyntax-only -aux-info ${cheader_data}/declared.txt
          ${CMAKE_SOURCE_DIR}/tests/data/cheader/declared.c
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/data/cheader/declared.c VERBATIM)
foreach(dll /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/user32.dll
            /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll /usr/x86_64-w64-mingw32/lib/zlib1.dll)
  get_filename_component(name ${dll} NAME_WE)
  add_custom_command(OUTPUT ${cheader_data}/${name}.exports
    COMMAND ${CMAKE_COMMAND} -E make_directory ${cheader_data}
    COMMAND sh -c "llvm-readobj --coff-exports \"$0\" > \"$1\"" ${dll} ${cheader_data}/${name}.exports
    DEPENDS ${dll} VERBATIM)
  list(APPEND cheader_oracles ${cheader_data}/${name}.exports)
endforeach()
add_custom_target(cheader_oracles DEPENDS ${cheader_oracles})

file(GLOB CORE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*.cpp)
add_executable(core_tests ${CORE_TEST_SOURCES})
target_compile_options(core_tests PRIVATE ${VANTOREL_WARNINGS} ${SANITIZE})
target_compile_definitions(core_tests PRIVATE
  VANTOREL_TESTDATA="${VANTOREL_TESTDATA_DIR}" VANTOREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(core_tests PRIVATE vantorel_cli_san vantorel_core_san GTest::gtest GTest::gtest_main)
add_dependencies(core_tests testdata cheader_oracles)
include(GoogleTest)
gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1")

# One libFuzzer target per parser of outside input (fuzz/<name>.cpp).
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  vantorel_header_deps(header_deps_fuzz "${VANTOREL_HEADER_DEPS_FUZZ}")
  vantorel_core_library(vantorel_core_fuzz header_deps_fuzz)
  target_compile_options(vantorel_core_fuzz PRIVATE ${SANITIZE} -fsanitize=fuzzer-no-link)
  foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(fuzz_${name} ${src})
    target_compile_options(fuzz_${name} PRIVATE ${VANTOREL_WARNINGS} ${SANITIZE} -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE ${SANITIZE} -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE vantorel_core_fuzz)
    list(APPEND VANTOREL_FUZZERS fuzz_${name})
  endforeach()
  set_property(GLOBAL PROPERTY VANTOREL_FUZZERS ${VANTOREL_FUZZERS})
endif()

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(BENCH_SOURCES)
  add_executable(core_bench ${BENCH_SOURCES})
  target_compile_options(core_bench PRIVATE ${VANTOREL_WARNINGS} -O2)
  target_compile_definitions(core_bench PRIVATE VANTOREL_TESTDATA="${VANTOREL_TESTDATA_DIR}")
  target_link_libraries(core_bench PRIVATE vantorel_core benchmark::benchmark benchmark::benchmark_main)
endif()
