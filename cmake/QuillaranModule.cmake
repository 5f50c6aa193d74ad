# One folder is one library named after its path (platform/rtl -> platform_rtl),
# built from every source file in that folder.
function(quillaran_module)
  cmake_parse_arguments(QM "" "" "DEPENDS;LIBS" ${ARGN})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" name ${rel})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${QM_DEPENDS} ${QM_LIBS})
  if(QUILLARAN_THREAD_SANITIZE AND name IN_LIST QUILLARAN_THREADED_LIBRARIES)
    target_compile_options(${name} PRIVATE -fsanitize=thread -g)
  endif()
endfunction()

# One GoogleTest executable per folder of tests/, its tests named "<folder>.<suite>.<case>".
# FIXTURES names ctest fixtures (servers started by the tests' own set-up steps); TIMEOUT
# gives each test of the folder a time limit of its own in place of the run's. The
# race-detector build makes it of the folder's files in QUILLARAN_THREADED_TESTS and its
# helpers only, instrumented, as part of the target threaded_tests.
function(quillaran_tests)
  cmake_parse_arguments(QT "" "TIMEOUT" "DEPENDS;FIXTURES;LABELS" ${ARGN})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" name ${rel})
  string(REPLACE "/" "." prefix ${rel})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(filter)
  if(QUILLARAN_THREAD_SANITIZE)
    set(chosen)
    foreach(source ${sources})
      get_filename_component(file ${source} NAME)
      file(STRINGS ${source} tests REGEX "^TEST(_F|_P)?\\(")
      if("${rel}/${file}" IN_LIST QUILLARAN_THREADED_TESTS OR NOT tests)
        list(APPEND chosen ${source})
      endif()
    endforeach()
    set(sources ${chosen})
    if(QUILLARAN_THREADED_TESTS_FILTER)
      set(filter TEST_FILTER ${QUILLARAN_THREADED_TESTS_FILTER})
    endif()
  endif()
  add_executable(${name}_tests ${sources})
  if(QUILLARAN_THREAD_SANITIZE)
    target_compile_options(${name}_tests PRIVATE -fsanitize=thread -g)
    add_dependencies(threaded_tests ${name}_tests)
  endif()
  target_link_libraries(${name}_tests PRIVATE ${QT_DEPENDS} test_support GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${name}_tests PRIVATE
    QUILLARAN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUILLARAN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # The windows the tests publish go to a runtime folder of the build's own, never the user's.
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/test-runtime)
  set(props ENVIRONMENT "QUILLARAN_TEST_TMP=${CMAKE_CURRENT_BINARY_DIR}/tmp"
            ENVIRONMENT_MODIFICATION "XDG_RUNTIME_DIR=set:${PROJECT_BINARY_DIR}/test-runtime")
  if(QT_FIXTURES)
    list(APPEND props FIXTURES_REQUIRED "${QT_FIXTURES}")
  endif()
  if(QT_TIMEOUT)
    list(APPEND props TIMEOUT ${QT_TIMEOUT})
  endif()
  gtest_discover_tests(${name}_tests
    TEST_PREFIX "${prefix}."
    ${filter}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${props})
endfunction()

# A ctest fixture NAME: the SETUP command runs before every test that requires
# it (quillaran_tests(FIXTURES NAME)) and the CLEANUP command after the last
# of them, so that a plain ctest starts and stops the servers the tests use.
function(quillaran_fixture name)
  cmake_parse_arguments(QF "" "" "SETUP;CLEANUP" ${ARGN})
  add_test(NAME fixture.${name}.setup COMMAND ${QF_SETUP})
  set_tests_properties(fixture.${name}.setup PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 120)
  add_test(NAME fixture.${name}.cleanup COMMAND ${QF_CLEANUP})
  set_tests_properties(fixture.${name}.cleanup PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
endfunction()
