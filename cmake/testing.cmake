# Test helpers shared by every tests/ folder.
#
# quorvel_add_test(NAME name SOURCES ... LIBS ... [GUI])
#   Natively: a GoogleTest binary run directly (under the sanitizers).
#   Windows:  the same binary run under Wine, one Wine process per binary
#             (starting Wine costs seconds; one per test case would be slow).
#   GUI tests are labelled "gui": they need the X display that `make test`
#   provides with xvfb-run. They share one desktop, where a window of one
#   test taking the foreground closes another test's open menu or steals its
#   keyboard, so they take the "desktop" lock and run one at a time (the
#   others still run beside them).
if(QUORVEL_WINDOWS)
  find_package(GTest REQUIRED CONFIG)
  set(QUORVEL_GTEST GTest::gtest GTest::gmock)
else()
  find_package(GTest REQUIRED)
  set(QUORVEL_GTEST GTest::GTest GTest::Main)
  find_library(QUORVEL_GMOCK gmock)
  if(QUORVEL_GMOCK)
    list(APPEND QUORVEL_GTEST ${QUORVEL_GMOCK})
  endif()
  list(REMOVE_ITEM QUORVEL_GTEST GTest::Main)
endif()

function(quorvel_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/test_main.cpp)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${QUORVEL_GTEST})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  if(QUORVEL_WINDOWS)
    add_test(NAME ${T_NAME} COMMAND ${QUORVEL_WINE_RUN} $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT
      "QUORVEL_BUILD_DIR=${CMAKE_BINARY_DIR};QUORVEL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT
      "QUORVEL_BUILD_DIR=${CMAKE_BINARY_DIR};QUORVEL_SOURCE_DIR=${CMAKE_SOURCE_DIR};ASAN_OPTIONS=detect_leaks=1")
  endif()
  if(T_GUI)
    set_tests_properties(${T_NAME} PROPERTIES LABELS gui RESOURCE_LOCK desktop)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
endfunction()
