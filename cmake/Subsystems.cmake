# One static library per subsystem folder. Sources are picked up by glob so a
# new file needs no edit here; the link list is the layering: a subsystem may
# only name the subsystems below it.
function(ht_subsystem target folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_SOURCE_DIR}/Source/${folder}/*.cpp")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}/Source")
    target_link_libraries(${target} PUBLIC ${ARGN})
  else()
    # A subsystem with headers only (or nothing yet) still carries its layer.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${CMAKE_SOURCE_DIR}/Source")
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()

# One GoogleTest executable per subsystem, from every .cpp in its test folder.
function(ht_test_suite name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  # Tests find ../shared and tests/data relative to the source tree.
  gtest_discover_tests(${name}
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "TARNWICK_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# Marks a suite whose code starts or serves threads: `make tsan` builds the
# target threaded_tests (every such suite) under ThreadSanitizer and runs it.
function(ht_threaded_suite name)
  if(NOT TARGET ${name})
    return()
  endif()
  if(NOT TARGET threaded_tests)
    add_custom_target(threaded_tests)
  endif()
  add_dependencies(threaded_tests ${name})
endfunction()
