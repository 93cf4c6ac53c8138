# Helpers shared by every subsystem's CMakeLists.txt.

# Adds every immediate subfolder of the current source folder that holds a
# CMakeLists.txt, so a subsystem joins the build by existing.
function(rx58_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# rx58_library(<name> SOURCES ... [DEPS ...])
# A static library of one subsystem; its headers are included as
# "<subsystem>/<Header>.h" from src/.
function(rx58_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# The test framework's headers are most of every test file's compile time:
# they are compiled once into a header shared by every test binary.
function(rx58_test_pch_target out)
    if(NOT TARGET rx58_test_pch)
        file(WRITE ${PROJECT_BINARY_DIR}/rx58_test_pch.cpp "")
        add_library(rx58_test_pch OBJECT ${PROJECT_BINARY_DIR}/rx58_test_pch.cpp)
        target_link_libraries(rx58_test_pch PRIVATE GTest::gmock GTest::gtest)
        target_precompile_headers(rx58_test_pch PRIVATE
            <gmock/gmock.h> <gtest/gtest.h>
            <algorithm> <array> <atomic> <chrono> <cstdint> <cstring> <functional>
            <map> <memory> <optional> <string> <thread> <vector>)
    endif()
    set(${out} rx58_test_pch PARENT_SCOPE)
endfunction()

# rx58_test(<name> SOURCES ... [DEPS ...] [TIMEOUT seconds])
# One GoogleTest binary; every test case becomes its own CTest test,
# labelled with the name of the test folder (channels, tasks, sim ...), so
# that `ctest -L` and the `<folder>_tests` targets pick a subsystem's tests.
function(rx58_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    rx58_test_pch_target(pch)
    target_precompile_headers(${name} REUSE_FROM ${pch})
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS ${folder}
                         ENVIRONMENT "RX58_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    set_property(GLOBAL APPEND PROPERTY RX58_TESTS_${folder} ${name})
endfunction()

# rx58_folder_tests_target(<target> <folder>...)
# A target that builds the test binaries of the given test folders alone.
function(rx58_folder_tests_target target)
    set(binaries)
    foreach(folder IN LISTS ARGN)
        get_property(names GLOBAL PROPERTY RX58_TESTS_${folder})
        list(APPEND binaries ${names})
    endforeach()
    add_custom_target(${target} DEPENDS ${binaries})
endfunction()
