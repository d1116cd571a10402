# Windows builds: Vantorel.exe and the Windows tests, which ctest runs under
# Wine. The same file makes both editions: build/win64 with the x86-64
# toolchain, and build/win32 with the i686 one, whose program is the x86
# edition Vantorel_x86.exe and whose tests are the ones that depend on the
# target. The bootstrap's cache provides Scintilla, the image libraries and
# GoogleTest for each.
foreach(var VANTOREL_SCINTILLA VANTOREL_MINGW_LIBS VANTOREL_GTEST_MINGW VANTOREL_HEADER_DEPS VANTOREL_TESTDATA_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set: build through scripts/test or scripts/run")
  endif()
endforeach()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VANTOREL_X86 ON)
  set(VANTOREL_EXE_NAME Vantorel_x86)
  set(MINGW_SYSROOT /usr/i686-w64-mingw32)
  set(WINE_CORPUS /usr/lib/i386-linux-gnu/wine/i386-windows)
  set(VANTOREL_PE_FORMAT pei-i386)
else()
  set(VANTOREL_X86 OFF)
  set(VANTOREL_EXE_NAME Vantorel)
  set(MINGW_SYSROOT /usr/x86_64-w64-mingw32)
  set(WINE_CORPUS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(VANTOREL_PE_FORMAT pei-x86-64)
endif()

enable_language(RC)
# Everything static: the product is one exe that imports system DLLs only.
set(WIN_LINK_STATIC -static -static-libgcc -static-libstdc++)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

vantorel_header_deps(header_deps "${VANTOREL_HEADER_DEPS}")
vantorel_core_library(vantorel_core header_deps)

add_library(png_static STATIC IMPORTED)
set_target_properties(png_static PROPERTIES IMPORTED_LOCATION ${VANTOREL_MINGW_LIBS}/lib/libpng16.a
  INTERFACE_INCLUDE_DIRECTORIES ${VANTOREL_MINGW_LIBS}/include)
add_library(jpeg_static STATIC IMPORTED)
set_target_properties(jpeg_static PROPERTIES IMPORTED_LOCATION ${VANTOREL_MINGW_LIBS}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${VANTOREL_MINGW_LIBS}/include)

# The system libraries the window's first paint does not need are loaded on
# their first call: a process that imports them pays for loading them (and
# what they import) and for their start-up code before its first line runs.
# The 64-bit edition only: the i686 linker drops the call stubs of such an
# import library.
set(delay_loaded)
if(NOT VANTOREL_X86)
  foreach(dll comdlg32 shell32 ole32 dbghelp)
    set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL} -DIMPORT_LIB=${MINGW_SYSROOT}/lib/lib${dll}.a
        -DDLL=${dll}.dll -DOUT=${lib} -P ${CMAKE_SOURCE_DIR}/cmake/delay_import.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay_import.cmake VERBATIM)
    list(APPEND delay_loaded ${lib})
  endforeach()
  add_custom_target(delay_import_libs DEPENDS ${delay_loaded})
endif()

add_library(vantorel_win STATIC ${VANTOREL_WIN32_SOURCES})
target_include_directories(vantorel_win PUBLIC ${CMAKE_SOURCE_DIR}/src ${VANTOREL_SCINTILLA}/include)
target_compile_options(vantorel_win PRIVATE ${VANTOREL_WARNINGS})
# The delay-loading libraries come first, so that they, not the system's
# import libraries, answer the calls.
target_link_libraries(vantorel_win PUBLIC vantorel_core png_static jpeg_static
  ${MINGW_SYSROOT}/lib/libz.a ${delay_loaded}
  comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 uuid gdi32 user32 version imm32 dbghelp)
if(delay_loaded)
  add_dependencies(vantorel_win delay_import_libs)
endif()

# The editor component travels inside the exe as data and is mapped from there.
configure_file(${CMAKE_SOURCE_DIR}/src/app/embedded.rc.in ${CMAKE_BINARY_DIR}/embedded.rc @ONLY)

add_executable(Vantorel WIN32 ${CMAKE_SOURCE_DIR}/src/app/main_win32.cpp
  ${CMAKE_SOURCE_DIR}/src/app/vantorel.rc ${CMAKE_BINARY_DIR}/embedded.rc)
target_compile_options(Vantorel PRIVATE ${VANTOREL_WARNINGS})
target_link_libraries(Vantorel PRIVATE vantorel_win)
# Sections on page boundaries in the file as in memory: the loader can then
# map them as they are instead of reading a copy of the whole program (the
# editor component's data among it) before the first instruction.
set(VANTOREL_PAGE_ALIGNED -Wl,--file-alignment=0x1000)
target_link_options(Vantorel PRIVATE ${WIN_LINK_STATIC} -municode ${VANTOREL_PAGE_ALIGNED})
set_target_properties(Vantorel PROPERTIES OUTPUT_NAME ${VANTOREL_EXE_NAME})
# The resource compiler tells nobody what it read: the files the script
# takes in are named here, so a changed icon or manifest rebuilds it.
file(GLOB VANTOREL_ICON_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/icons/*.ico)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/app/vantorel.rc ${CMAKE_BINARY_DIR}/embedded.rc
  PROPERTIES OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/src/app/vantorel.manifest;${VANTOREL_ICON_FILES}")
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/app/vantorel.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/src/platform)

# The command line for Windows: a console program from the same core,
# static like the GUI, importing system libraries only.
vantorel_cli_library(vantorel_cli vantorel_core)
add_executable(vantorel-cli ${CMAKE_SOURCE_DIR}/src/cli/main_win32.cpp)
target_compile_options(vantorel-cli PRIVATE ${VANTOREL_WARNINGS})
target_link_libraries(vantorel-cli PRIVATE vantorel_cli version)
target_link_options(vantorel-cli PRIVATE ${WIN_LINK_STATIC} -municode -s)

# Windows tests: GoogleTest cross-built by the bootstrap, run under Wine.
add_library(gtest_mingw STATIC IMPORTED)
set_target_properties(gtest_mingw PROPERTIES IMPORTED_LOCATION ${VANTOREL_GTEST_MINGW}/lib/libgtest.a
  INTERFACE_INCLUDE_DIRECTORIES ${VANTOREL_GTEST_MINGW}/include)

file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
if(VANTOREL_X86)
  # The x86 edition runs the tests of what depends on the target: the PE
  # check, opening and listing libraries, the loader, start-up, the program
  # itself, the source of a library, the corpus, the function grid's fill
  # (a fresh library's texts follow the edition) and tips,
  # the source the window and the command lines write.
  # The rest is the same code as in the 64-bit tree.
  list(FILTER WIN_TEST_SOURCES INCLUDE REGEX
    "/(main|test_support|pe_check_test|library_test|library_isolation_test|library_sweep_test|library_data_test|function_tips_test|loader_component_test|loader_crafted_test|startup_test|exe_test|corpus_test|edition_test|cli_test|main_window_fixture|grid_fixture|cheader_test|function_grid_test)\\.cpp$")
endif()
# Tests see the same embedded data as the product (icons, manifest, editor image).
add_executable(win_tests ${WIN_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/app/vantorel.rc ${CMAKE_BINARY_DIR}/embedded.rc)
target_compile_options(win_tests PRIVATE ${VANTOREL_WARNINGS})
string(REPLACE "/" "\\\\" testdata_win "Z:${VANTOREL_TESTDATA_DIR}")
target_compile_definitions(win_tests PRIVATE
  VANTOREL_TESTDATA=L"${testdata_win}" VANTOREL_EXE=L"Z:${CMAKE_BINARY_DIR}/${VANTOREL_EXE_NAME}.exe")
target_link_libraries(win_tests PRIVATE vantorel_win gtest_mingw)
target_link_options(win_tests PRIVATE ${WIN_LINK_STATIC})
add_dependencies(win_tests Vantorel vantorel-cli)
target_compile_definitions(win_tests PRIVATE VANTOREL_CLI_EXE=L"Z:${CMAKE_BINARY_DIR}/vantorel-cli.exe")
include(GoogleTest)
# The desktop has one pointer: the tests that move it take turns, and a
# count of the process's objects is not taken while the pointer may pass over
# its window (a tip shown there is a window with fonts and bitmaps).
set(pointer_tests "GridMouse.*:ResourcePreviewTest.DialogIconsAreTheLibrarysAndLeaveNothingBehind")
# The main window at 144 DPI runs in a process started with Wine's LogPixels
# set, which every process started meanwhile would take too: it runs alone.
# Its helper side is run by it only.
set(dpi_tests "DpiWindow.At144*")
set(dpi_helper "DpiWindow.ReportFactsToParent")
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  TEST_FILTER "-${pointer_tests}:${dpi_tests}:${dpi_helper}" PROPERTIES TIMEOUT 120)
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_FILTER "${dpi_tests}"
  PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_FILTER "${pointer_tests}"
  PROPERTIES TIMEOUT 120 RESOURCE_LOCK desktop_pointer)
# The tests switch Wine's .NET and HTML engines off, and Wine then maps
# neither library even for reading: the sweep over Wine's libraries opens
# those two in a run of their own with the engines as Wine ships them (a
# skip there would hide them, so it fails).
add_test(NAME win.sweep_engines COMMAND win_tests --gtest_filter=WineEngineLibraries.*)
set_tests_properties(win.sweep_engines PROPERTIES TIMEOUT 120 ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=b"
  FAIL_REGULAR_EXPRESSION "SKIPPED")

# The yardstick of start-up timings: the least program that shows a window,
# by the same compiler and as statically linked as Vantorel.exe.
add_executable(bench_minimal_window WIN32 ${CMAKE_SOURCE_DIR}/bench/win/anchor/minimal_window.cpp)
target_compile_options(bench_minimal_window PRIVATE ${VANTOREL_WARNINGS})
target_link_options(bench_minimal_window PRIVATE ${WIN_LINK_STATIC} -municode)

# Timing harnesses for the GUI under Wine: each bench/win/NAME.cpp is a
# console program win_bench_NAME.exe with its own wmain, printing its figures.
file(GLOB WIN_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win/*.cpp)
foreach(src ${WIN_BENCH_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(win_bench_${name} ${src} ${CMAKE_SOURCE_DIR}/src/app/vantorel.rc ${CMAKE_BINARY_DIR}/embedded.rc)
  target_compile_options(win_bench_${name} PRIVATE ${VANTOREL_WARNINGS})
  target_compile_definitions(win_bench_${name} PRIVATE VANTOREL_TESTDATA=L"${testdata_win}"
    VANTOREL_EXE=L"Z:${CMAKE_BINARY_DIR}/${VANTOREL_EXE_NAME}.exe"
    VANTOREL_ANCHOR_EXE=L"Z:${CMAKE_BINARY_DIR}/bench_minimal_window.exe")
  target_link_libraries(win_bench_${name} PRIVATE vantorel_win)
  add_dependencies(win_bench_${name} bench_minimal_window)
  target_link_options(win_bench_${name} PRIVATE ${WIN_LINK_STATIC} -municode)
endforeach()

# The program with its start-up steps timed, for win_bench_startup_steps.
add_executable(bench_vantorel_traced WIN32 ${CMAKE_SOURCE_DIR}/bench/win/trace/vantorel_traced.cpp
  ${CMAKE_SOURCE_DIR}/src/app/vantorel.rc ${CMAKE_BINARY_DIR}/embedded.rc)
target_compile_options(bench_vantorel_traced PRIVATE ${VANTOREL_WARNINGS})
target_link_libraries(bench_vantorel_traced PRIVATE vantorel_win)
target_link_options(bench_vantorel_traced PRIVATE ${WIN_LINK_STATIC} -municode ${VANTOREL_PAGE_ALIGNED})
add_dependencies(win_bench_startup_steps bench_vantorel_traced Vantorel)
target_compile_definitions(win_bench_startup_steps PRIVATE
  VANTOREL_TRACED_EXE=L"Z:${CMAKE_BINARY_DIR}/bench_vantorel_traced.exe")

# End-to-end scenarios: the real exe on an X display, driven with xdotool.
set(exe ${CMAKE_BINARY_DIR}/${VANTOREL_EXE_NAME}.exe)
# Each edition started with the other kind of library shows its message, and
# with its own kind opens it.
add_test(NAME e2e.message_box_other_kind
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/message_box_other_kind.sh ${exe})
add_test(NAME e2e.opens_own_kind
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/opens_own_kind.sh ${exe})
# A user edits the function table with mouse and keys, copies blocks, saves
# and reopens the project.
add_test(NAME e2e.editing
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/editing.sh ${exe} ${VANTOREL_TESTDATA_DIR})
# The pointer on a decorated export's Function cell shows its tip.
add_test(NAME e2e.export_tip
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/export_tip.sh ${exe} ${VANTOREL_TESTDATA_DIR})
set_tests_properties(e2e.message_box_other_kind e2e.opens_own_kind e2e.export_tip
  PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
set_tests_properties(e2e.editing PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
add_test(NAME e2e.imports_only_system_dlls
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/check_imports.sh ${exe} gui ${VANTOREL_PE_FORMAT})
add_test(NAME e2e.cli_imports_only_system_dlls
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/check_imports.sh ${CMAKE_BINARY_DIR}/vantorel-cli.exe console ${VANTOREL_PE_FORMAT})

# Independent oracles for the corpus tests: what sha1sum and exiftool say of
# Wine's own libraries of the edition's kind, computed on the build machine.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/corpus.sha1 ${CMAKE_BINARY_DIR}/corpus.exif
  COMMAND sh -c "cd ${WINE_CORPUS} && sha1sum *.dll > ${CMAKE_BINARY_DIR}/corpus.sha1 && exiftool -T -FileName -FileVersion -FileDescription -CompanyName -ProductName *.dll > ${CMAKE_BINARY_DIR}/corpus.exif"
  DEPENDS ${WINE_CORPUS}
  VERBATIM)
add_custom_target(corpus_oracles DEPENDS ${CMAKE_BINARY_DIR}/corpus.sha1 ${CMAKE_BINARY_DIR}/corpus.exif)
add_dependencies(win_tests corpus_oracles)
string(REPLACE "/" "\\\\" build_win "Z:${CMAKE_BINARY_DIR}")
target_compile_definitions(win_tests PRIVATE VANTOREL_BUILD_DIR=L"${build_win}")
