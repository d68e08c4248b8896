# One static library per source folder: every .cpp directly in the folder belongs to it.
# Sub-folders are libraries of their own. The folder itself is a PRIVATE include directory,
# so a "_local.h" is seen only by its own library; dependents see the public headers through
# a folder of links in the build tree. tools/check_layers reads the DEPS given here as the
# allowed include edges.
function(qv_library _name)
  cmake_parse_arguments(QV "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(_ex IN LISTS QV_EXCLUDE)
    list(REMOVE_ITEM _sources ${CMAKE_CURRENT_SOURCE_DIR}/${_ex})
  endforeach()

  # The public headers: everything but "_local.h", linked into <build>/include/<name>.
  set(_public ${CMAKE_BINARY_DIR}/include/${_name})
  file(REMOVE_RECURSE ${_public})
  file(MAKE_DIRECTORY ${_public})
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.inc)
  foreach(_header IN LISTS _headers)
    get_filename_component(_file ${_header} NAME)
    if(NOT _file MATCHES "_local\\.h$")
      file(CREATE_LINK ${_header} ${_public}/${_file} SYMBOLIC)
    endif()
  endforeach()

  if(NOT _sources)
    # A folder whose code is still all in headers.
    add_library(${_name} INTERFACE)
    target_include_directories(${_name} INTERFACE ${_public})
    target_link_libraries(${_name} INTERFACE ${QV_DEPS})
    return()
  endif()
  add_library(${_name} STATIC ${_sources})
  target_include_directories(${_name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} INTERFACE ${_public})
  target_link_libraries(${_name} PUBLIC ${QV_DEPS})
endfunction()

# One test program per tested folder: every *_test.cpp of the folder, plus the common test
# main. REGISTER names the last start-up registration the program needs: the test main runs the
# program's ordered list (app_registration.inc) up to and including that entry. COST (default 0)
# makes CTest start the program's tests before those of lower cost: programs whose tests run
# long start first, so they do not end the run alone. The timeout only stops a test that hangs:
# it holds the slowest test many times over, as on a busy machine with more jobs than cores.
function(qv_tests _name)
  cmake_parse_arguments(QV "" "REGISTER;COST" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${_name} ${_sources} ${QV_TEST_MAIN})
  # White-box tests see the private headers of the folder they mirror.
  string(REPLACE "${CMAKE_SOURCE_DIR}/tests/" "${CMAKE_SOURCE_DIR}/" _mirror ${CMAKE_CURRENT_SOURCE_DIR})
  target_include_directories(${_name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${_mirror})
  target_link_libraries(${_name} PRIVATE ${QV_DEPS} qv_test_common GTest::gtest)
  if(QV_REGISTER)
    target_compile_definitions(${_name} PRIVATE QV_REGISTER_UPTO=${QV_REGISTER})
  endif()
  if(QV_PCH)
    target_precompile_headers(${_name} REUSE_FROM qv_test_common)
  endif()
  if(NOT QV_COST)
    set(QV_COST 0)
  endif()
  # The software GL renderer draws on the test's own thread: its default of a rasterizer thread
  # per core only makes the tests that draw wait on each other under ctest -j on a busy machine
  # (the pictures do not depend on it).
  gtest_discover_tests(${_name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT ${QV_TEST_TIMEOUT}
    PROPERTIES TIMEOUT ${QV_TEST_TIMEOUT} COST ${QV_COST} ENVIRONMENT LP_NUM_THREADS=0)
endfunction()
