# Warnings, language level and sanitizers are set per target, never globally.
add_library(ostrel_options INTERFACE)
add_library(ostrel::options ALIAS ostrel_options)
target_compile_features(ostrel_options INTERFACE cxx_std_20)
target_compile_options(ostrel_options INTERFACE -Wall -Wextra)
# Ours, not a packager's: a newer compiler's new warning must not break a
# distribution's build, while scripts/test and CI keep the tree clean.
if(OSTREL_WERROR)
  target_compile_options(ostrel_options INTERFACE -Werror)
endif()
# On Windows the printf family is mingw-w64's own, which knows C99's formats
# (%zu, %lld) where the system's old msvcrt.dll does not.
if(WIN32)
  target_compile_definitions(ostrel_options INTERFACE __USE_MINGW_ANSI_STDIO=1)
endif()

if(OSTREL_SANITIZE STREQUAL "address")
  target_compile_options(ostrel_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                  -fno-sanitize-recover=undefined
                                                  # GCC 12 sees phantom uninitialised reads in
                                                  # std::regex and std::optional under ASan.
                                                  -Wno-maybe-uninitialized)
  target_link_options(ostrel_options INTERFACE -fsanitize=address,undefined)
elseif(OSTREL_SANITIZE STREQUAL "thread")
  target_compile_options(ostrel_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(ostrel_options INTERFACE -fsanitize=thread)
elseif(NOT OSTREL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "OSTREL_SANITIZE must be empty, 'address' or 'thread'")
endif()

# ostrel_add_module(name [EXCLUDE file...] [SOURCES file...]): the static
# library ostrel::name of every .cpp in the calling folder but the EXCLUDEd ones
# (new files join without anyone editing a CMakeLists.txt), plus SOURCES.
# Its headers keep their spelling ("xml/xml_var.h") but are found only through
# an include root of the module's own in the build tree, holding a link to each
# header: a target that does not link the module cannot include them, so a
# dependency against the layers fails to compile instead of creeping in.
function(ostrel_add_module name)
  cmake_parse_arguments(M "" "" "EXCLUDE;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS M_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  list(APPEND sources ${M_SOURCES})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${PROJECT_BINARY_DIR}/module-include/${name})
  # Links only, never a link to the folder, so that app/gui/ is not reachable
  # through app/; made afresh so that a removed header goes too.
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header IN LISTS headers)
    get_filename_component(file_name ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${folder}/${file_name} SYMBOLIC)
  endforeach()

  add_library(ostrel_${name} STATIC ${sources})
  add_library(ostrel::${name} ALIAS ostrel_${name})
  target_include_directories(ostrel_${name} PUBLIC ${root})
  target_link_libraries(ostrel_${name} PUBLIC ostrel::options)
endfunction()
