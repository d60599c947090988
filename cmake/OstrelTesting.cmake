find_package(GTest REQUIRED)
include(GoogleTest)

# ostrel_add_test(name LABEL unit|integration|gui|e2e SOURCES ... [LIBS ...])
# One executable per test group; every test it holds carries the label, so
# `ctest -L unit` and friends pick groups by what they need from the machine.
function(ostrel_add_test name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ostrel::testkit GTest::gtest GTest::gtest_main)
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
function(ostrel_add_test_folder name)
  cmake_parse_arguments(F "" "" "LIBS;GUI_LIBS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(label integration gui e2e)
    file(GLOB matched CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_${label}_test.cpp)
    list(REMOVE_ITEM all ${matched})
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
