# One static library per source folder: every .cpp directly in the folder belongs to it.
# Sub-folders are libraries of their own.
function(qv_library _name)
  cmake_parse_arguments(QV "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(_ex IN LISTS QV_EXCLUDE)
    list(REMOVE_ITEM _sources ${CMAKE_CURRENT_SOURCE_DIR}/${_ex})
  endforeach()
  if(NOT _sources)
    # A folder whose code is still all in headers.
    add_library(${_name} INTERFACE)
    target_include_directories(${_name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${_name} INTERFACE ${QV_DEPS})
    return()
  endif()
  add_library(${_name} STATIC ${_sources})
  target_include_directories(${_name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${_name} PUBLIC ${QV_DEPS})
endfunction()

# One test program per tested folder: every *_test.cpp of the folder, plus the common test main.
function(qv_tests _name)
  cmake_parse_arguments(QV "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${_name} ${_sources})
  target_link_libraries(${_name} PRIVATE ${QV_DEPS} qv_test_common GTest::gtest)
  gtest_discover_tests(${_name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60)
endfunction()
