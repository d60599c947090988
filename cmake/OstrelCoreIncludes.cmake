# The core is standard C++ over platform/: no file in a core folder includes a
# POSIX header (or a library that only platform/ wraps) or calls the POSIX
# functions that glibc's standard headers declare as well. A Windows build then
# needs another platform folder and nothing else.
#
# Included from the top CMakeLists.txt, it makes every build run the scan
# whenever a core file changes, and registers a test that shows a POSIX
# include in a core folder stops it. Run as a script it scans one tree:
#   cmake -DSOURCE_ROOT=<folder holding the core folders> -P OstrelCoreIncludes.cmake
# and fails naming each offending file and line.

set(ostrel_core_folders xml support brand libcheck guard catalogue app)
# Inside a core folder, but the wx application: it may use the host directly.
set(ostrel_core_exempt app/gui/)

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT SOURCE_ROOT)
    message(FATAL_ERROR "OstrelCoreIncludes: SOURCE_ROOT is not set")
  endif()
  set(posix_headers
      "unistd|fcntl|pwd|grp|signal|spawn|dirent|time|poll|sched|pthread|dlfcn|termios|utime"
      "|libgen|glob|fnmatch|wordexp|netdb|semaphore|syslog|strings|regex|sys/[a-z_]+"
      "|netinet/[a-z_]+|arpa/[a-z_]+")
  string(JOIN "" posix_headers ${posix_headers})
  set(include_pattern "^[ \t]*#[ \t]*include[ \t]*<((${posix_headers})\\.h|(X11|curl|openssl)/[^>]+)>")
  set(call_pattern
      "(^|[^A-Za-z0-9_])(localtime_r|gmtime_r|fileno|fdopen|setenv|unsetenv|mkstemp|mkdtemp"
      "|realpath|popen|pclose|gettid)[ \t]*\\(")
  string(JOIN "" call_pattern ${call_pattern})

  set(found "")
  foreach(folder ${ostrel_core_folders})
    file(GLOB_RECURSE files RELATIVE ${SOURCE_ROOT} ${SOURCE_ROOT}/${folder}/*.h
         ${SOURCE_ROOT}/${folder}/*.cpp)
    foreach(file ${files})
      if(file MATCHES "^${ostrel_core_exempt}")
        continue()
      endif()
      file(STRINGS ${SOURCE_ROOT}/${file} lines REGEX "${include_pattern}|${call_pattern}")
      foreach(line ${lines})
        string(STRIP "${line}" line)
        string(APPEND found "\n  ${file}: ${line}")
      endforeach()
    endforeach()
  endforeach()
  if(found)
    message(FATAL_ERROR "The core reaches the system past platform/; move these behind a "
                        "platform function:${found}")
  endif()
  return()
endif()

set(ostrel_core_files "")
foreach(folder ${ostrel_core_folders})
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.h
       ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  list(APPEND ostrel_core_files ${files})
endforeach()
set(ostrel_core_stamp ${PROJECT_BINARY_DIR}/core_includes.checked)
add_custom_command(OUTPUT ${ostrel_core_stamp}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_ROOT=${PROJECT_SOURCE_DIR}/src -P ${CMAKE_CURRENT_LIST_FILE}
  COMMAND ${CMAKE_COMMAND} -E touch ${ostrel_core_stamp}
  DEPENDS ${ostrel_core_files} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Checking that the core reaches the system only through platform/"
  VERBATIM)
add_custom_target(ostrel_core_includes ALL DEPENDS ${ostrel_core_stamp})

if(OSTREL_BUILD_TESTS)
  # A tree with a POSIX include in xml/ and a POSIX call in catalogue/, which
  # must be named, beside the same in platform/ and app/gui/, which must not.
  set(fixture ${PROJECT_SOURCE_DIR}/tests/core_includes/src)
  add_test(NAME unit.CoreIncludes.PosixHeaderOrCallInACoreFolderIsRefused
           COMMAND ${CMAKE_COMMAND} -DSOURCE_ROOT=${fixture} -P ${CMAKE_CURRENT_LIST_FILE})
  set_tests_properties(unit.CoreIncludes.PosixHeaderOrCallInACoreFolderIsRefused PROPERTIES
    LABELS unit
    PASS_REGULAR_EXPRESSION
      "xml/opens_directly.cpp: #include <unistd.h>\n +catalogue/stamps_dates.cpp: localtime_r\\("
    FAIL_REGULAR_EXPRESSION "stays_standard|\n +platform/|\n +app/gui/")
endif()
