# tolvan_test_environment(TARGET)
# Compiles the folders the tests need into the test program (see tests/TestEnvironment.cpp).
function(tolvan_test_environment NAME)
  target_sources(${NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests/TestEnvironment.cpp)
  target_compile_definitions(${NAME} PRIVATE
    TOLVAN_TEST_SOURCE_DIR_DEFAULT="${CMAKE_SOURCE_DIR}"
    TOLVAN_BUILD_DIR_DEFAULT="${CMAKE_BINARY_DIR}")
endfunction()

# tolvan_library(NAME DIRS dir... LIBS lib...)
# A static library built from every .cpp in the given folders (relative to src/).
# Sources are globbed so that adding a file pair needs no CMake edit.
function(tolvan_library NAME)
  cmake_parse_arguments(T "" "" "DIRS;LIBS" ${ARGN})
  set(srcs)
  foreach(d ${T_DIRS})
    file(GLOB s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${d}/*.cpp ${CMAKE_SOURCE_DIR}/src/${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  if(NOT srcs)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${NAME}_empty.cpp)
    file(WRITE ${stub} "// no sources yet\n")
    list(APPEND srcs ${stub})
  endif()
  add_library(${NAME} STATIC ${srcs})
  target_include_directories(${NAME} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${NAME} PUBLIC ${T_LIBS})
endfunction()

# tolvan_unit_test(NAME DIR dir LIBS lib...)
# One GoogleTest executable from every .cpp in tests/unit/<dir>, registered with CTest.
function(tolvan_unit_test NAME)
  cmake_parse_arguments(T "" "DIR" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/${T_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${NAME} ${srcs})
  tolvan_test_environment(${NAME})
  target_include_directories(${NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(${NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endfunction()
