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

# ostrel_add_library(name [sources...]): a static library of one layer, headers found from src/.
function(ostrel_add_library name)
  add_library(${name} STATIC ${ARGN})
  add_library(ostrel::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ostrel::options)
endfunction()

# ostrel_add_sources(target): adds every .cpp of the calling folder to target.
# New files join without anyone editing a CMakeLists.txt.
function(ostrel_add_sources target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  target_sources(${target} PRIVATE ${sources})
endfunction()
