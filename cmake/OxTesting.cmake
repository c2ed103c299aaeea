# Test support: GoogleTest built from source with the cross compiler, and
# ctest entries that run under Wine with a private prefix in the build tree.

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Tests run only where the build machine can execute the binaries (x86_64 under Wine).
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(OX_RUN_TESTS ON)
else()
  set(OX_RUN_TESTS OFF)
endif()

enable_testing()

set(OX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(OX_WINE_ENV
  "WINEPREFIX=${OX_WINEPREFIX}"
  "WINEDEBUG=-all"
  "WINEDLLOVERRIDES=mscoree,mshtml=")

if(OX_RUN_TESTS)
  # One wineserver for the whole run, started with its streams detached so it
  # never holds ctest's output pipe, and stopped at the end.
  add_test(NAME wine_server_start
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-server.sh start)
  add_test(NAME wine_server_stop
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-server.sh stop)
  set_tests_properties(wine_server_start PROPERTIES
    FIXTURES_SETUP wine ENVIRONMENT "${OX_WINE_ENV}")
  # Tests that start a core from the bin folder make the runtime scan it and
  # cache its registry there; every run starts from a fresh scan, so a cache
  # of an earlier build never stands in for the libraries built now.
  add_test(NAME stale_registry_cleanup
    COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/bin/runtime.xml ${CMAKE_BINARY_DIR}/bin/default.oxreg)
  set_tests_properties(stale_registry_cleanup PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_server_stop PROPERTIES
    FIXTURES_CLEANUP wine ENVIRONMENT "${OX_WINE_ENV}")
endif()

# ox_add_wine_test(NAME <name> COMMAND <target-or-exe> [args...] [WORKING_DIRECTORY dir])
# Registers a ctest entry that runs under Wine inside the shared fixture.
function(ox_add_wine_test)
  cmake_parse_arguments(T "" "NAME;WORKING_DIRECTORY" "COMMAND" ${ARGN})
  if(NOT OX_RUN_TESTS)
    return()
  endif()
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND} WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
  set_tests_properties(${T_NAME} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "${OX_WINE_ENV}"
    # Wine reports a crash on the console and may still exit 0.
    FAIL_REGULAR_EXPRESSION "Unhandled exception|Unhandled page fault|\\[  FAILED  \\]"
    TIMEOUT 600)
endfunction()

# ox_add_gtest(<name> SOURCES <files...> [LIBS <libs...>] [DEPENDS <targets...>])
# A GoogleTest executable, one ctest entry for the whole executable.
function(ox_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${T_LIBS})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  ox_add_wine_test(NAME ${name} COMMAND ${name})
endfunction()
