if(CMAKE_CROSSCOMPILING AND WIN32)
  # Debian packages GoogleTest for the build machine only; the Windows tests
  # compile Debian's own sources (package googletest) inside this tree.
  set(OSTREL_GOOGLETEST_SOURCE /usr/src/googletest/googletest
      CACHE PATH "GoogleTest's sources, built for the Windows tests")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${OSTREL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# The Windows tests run under Wine, whose start-up costs about a second a
# process: each test executable is one CTest entry rather than one per test.
# They run in a copy of the run's pristine prefix with a wineserver of its own
# (tests/windows/run_in_prefix), so that executables running side by side
# never share a C: drive. Each carries the `windows` label besides its own.
set(ostrel_windows_work ${CMAKE_BINARY_DIR}/windows-work)
if(WIN32)
  # The publisher's tools, the catalogue server among them, are Linux programs
  # that a Linux build of this tree makes (its targets catalogue-server and
  # ostrel-sign); Wine starts them as it would Windows ones.
  set(OSTREL_HOST_BUILD "" CACHE PATH
      "A Linux build tree of this source, whose tools the Windows tests start")
  set(ostrel_host_catalogue_server ${OSTREL_HOST_BUILD}/tools/catalogue-server/catalogue-server)
  if(NOT EXISTS ${ostrel_host_catalogue_server})
    message(FATAL_ERROR "The Windows tests need a Linux build's catalogue server: "
                        "-DOSTREL_HOST_BUILD=<Linux build tree with the target catalogue-server built>")
  endif()
endif()
# A Windows test names the build tree's files through Wine's drive Z:, the
# Linux root; `ostrel_host_root` goes before such a path ("" on Linux).
set(ostrel_host_root "")
if(WIN32)
  set(ostrel_host_root "Z:")
endif()
function(ostrel_add_windows_test name label)
  # GCC 12 at -O3 (the Windows build is a Release one) sees overlapping copies
  # in std::string's inlined appends that cannot happen (GCC bug 105651).
  target_compile_options(${name} PRIVATE -Wno-restrict)
  add_test(NAME ${label}.${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/run_in_prefix ${ostrel_windows_work}
            ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  # A program that crashes under Wine may still end with status 0 (its
  # debugger's): only GoogleTest's own summary counts, and no failure in it.
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS "${label};windows" FIXTURES_REQUIRED windows_prefix TIMEOUT 600
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]|Unhandled exception")
endfunction()

# ostrel_add_test(name LABEL unit|integration|gui|e2e SOURCES ... [LIBS ...])
# One executable per test group; every test it holds carries the label, so
# `ctest -L unit` and friends pick groups by what they need from the machine.
function(ostrel_add_test name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ostrel::testkit GTest::gtest GTest::gtest_main)
  if(WIN32)
    ostrel_add_windows_test(${name} ${T_LABEL})
    return()
  endif()
  # Tests with windows share one X server and its keyboard focus: one at a time.
  set(lock "")
  if(T_LABEL STREQUAL "gui")
    set(lock RESOURCE_LOCK x_display)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${T_LABEL} ${lock}
    DISCOVERY_TIMEOUT 60
    TEST_PREFIX "${T_LABEL}.")
endfunction()

# ostrel_add_test_folder(name [LIBS ...] [GUI_LIBS ...]): one executable per
# label for the calling folder, by file name (GUI_LIBS are linked into the gui
# tests only):
#   *_test.cpp              unit         (no network, processes or display)
#   *_integration_test.cpp  integration  (loopback servers, real processes, real files)
#   *_gui_test.cpp          gui          (a real X server)
#   *_e2e_test.cpp          e2e          (the installed program, as a user runs it)
# A file about one system's own ways says so in its name, *_posix_<kind>_test.cpp
# or *_windows_<kind>_test.cpp (a unit test's: *_posix_test.cpp), and is left
# out of the other system's build; a single test says so with SKIP_ON_WINDOWS
# (testkit/host.h).
function(ostrel_add_test_folder name)
  cmake_parse_arguments(F "" "" "LIBS;GUI_LIBS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(WIN32)
    list(FILTER all EXCLUDE REGEX "_posix(_[a-z0-9]+)?_test\\.cpp$")
  else()
    list(FILTER all EXCLUDE REGEX "_windows(_[a-z0-9]+)?_test\\.cpp$")
  endif()
  foreach(label integration gui e2e)
    set(matched ${all})
    # The Windows window layer is tested end to end (tests/windows); these
    # drive the toolkit in-process on an X display.
    if(WIN32 AND label STREQUAL "gui")
      list(FILTER all EXCLUDE REGEX "_gui_test\\.cpp$")
      continue()
    endif()
    list(FILTER matched INCLUDE REGEX "_${label}_test\\.cpp$")
    if(matched)
      list(REMOVE_ITEM all ${matched})
    endif()
    set(libs ${F_LIBS})
    if(label STREQUAL "gui")
      list(APPEND libs ${F_GUI_LIBS})
    endif()
    if(matched)
      ostrel_add_test(${name}_${label}_tests LABEL ${label} SOURCES ${matched} LIBS ${libs})
    endif()
  endforeach()
  if(all)
    ostrel_add_test(${name}_unit_tests LABEL unit SOURCES ${all} LIBS ${F_LIBS})
  endif()
endfunction()
