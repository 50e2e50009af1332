# inkwright_library(NAME folder-target LINKS ...): a static library of every
# .cpp/.h in the calling folder. Each layer is one such library.
function(inkwright_library name)
    cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
         "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
         "${CMAKE_CURRENT_SOURCE_DIR}/*/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*/*.h")
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# inkwright_test(NAME LINKS ...): one GoogleTest program of every .cpp in the
# calling folder, each case registered with CTest, run without a display.
function(inkwright_test name)
    cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp"
         "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    add_executable(${name} ${sources})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    target_link_libraries(${name} PRIVATE inkwright_test_support ${ARG_LINKS})
    target_compile_definitions(${name} PRIVATE
        INKWRIGHT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        INKWRIGHT_BIN_DIR="${INKWRIGHT_BIN_DIR}")
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
endfunction()

# inkwright_test_on_server(NAME FILTER): runs the test program NAME once more,
# the cases FILTER selects (a GoogleTest filter) each on a fresh database of
# a PostgreSQL cluster the program starts for itself and stops at its end.
function(inkwright_test_on_server name filter)
    add_test(NAME ${name}_on_postgresql COMMAND ${name} "--gtest_filter=${filter}")
    set_tests_properties(${name}_on_postgresql PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;INKWRIGHT_TEST_STORE=postgresql"
        TIMEOUT 600)
endfunction()
