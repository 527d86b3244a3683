# GoogleTest built from the sources Debian's googletest package ships, once per target,
# with the target's own compiler and flags.
set(OX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${OX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${OX_GOOGLETEST_SOURCE_DIR}: run scripts/setup.sh")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# GoogleTest's own code is not held to our warning set.
set(_ox_saved_options ${CMAKE_CXX_FLAGS})
add_subdirectory(${OX_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(t gtest gtest_main)
  target_compile_options(${t} PRIVATE -w)
  set_target_properties(${t} PROPERTIES CXX_VISIBILITY_PRESET default VISIBILITY_INLINES_HIDDEN OFF)
endforeach()
include(GoogleTest)

# ox_add_test(name SOURCES ... LIBS ...): one test program, run by CTest as one test
# (under wine on the Windows target).
function(ox_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE gtest gtest_main ${T_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "OX_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
