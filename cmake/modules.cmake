# Helpers that keep each folder's CMakeLists short.
#
# A module folder holds portable sources (*.cpp) and Windows-only sources
# (*_win32.cpp); the native build leaves the latter out.

function(swfsaver_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(NOT WIN32)
    list(FILTER all EXCLUDE REGEX "_win32\\.(cpp|c)$")
  endif()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# swfsaver_module(<name> [DEPS lib...] [WIN32_LIBS lib...])
# Builds static library swfsaver_<name> from the folder's sources.
function(swfsaver_module name)
  cmake_parse_arguments(M "" "" "DEPS;WIN32_LIBS;LIBS" ${ARGN})
  swfsaver_sources(srcs ${CMAKE_CURRENT_SOURCE_DIR})
  set(target swfsaver_${name})
  if(srcs)
    add_library(${target} STATIC ${srcs})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${M_DEPS} ${M_LIBS})
    if(WIN32 AND M_WIN32_LIBS)
      target_link_libraries(${target} PUBLIC ${M_WIN32_LIBS})
    endif()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${M_DEPS})
  endif()
endfunction()

# swfsaver_test_suite(<name> LIBS lib... [WINDOWS_ONLY])
# One GoogleTest executable from the folder's sources. Portable suites run
# natively and, in the Windows build, under Wine.
function(swfsaver_test_suite name)
  cmake_parse_arguments(T "WINDOWS_ONLY" "" "LIBS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT WIN32)
    list(FILTER srcs EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(target test_${name})
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ${T_LIBS} swfsaver_test_support gtest gtest_main)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${target} PRIVATE
    SWFSAVER_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    SWFSAVER_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt.
function(swfsaver_add_children)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
