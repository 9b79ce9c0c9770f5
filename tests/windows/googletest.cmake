# SPDX-License-Identifier: MIT
# GoogleTest for the cross build, from the sources of Debian's googletest
# package, and the way a behaviour test runs under wine.
set(BRIXEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${BRIXEL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Programs that check data against a Linux tool rather than the library
# (edid-decode reading the catalogue) are built but not run here.
set(BRIXEL_WINDOWS_HOST_TOOL_TESTS edid_decode_tests)

# One ctest per program rather than per test case: every wine start costs about
# a second, and GoogleTest lists each case in the program's output anyway.
function(brixel_windows_test name)
    add_dependencies(${name} siusbxp_sim)
    if(name IN_LIST BRIXEL_WINDOWS_HOST_TOOL_TESTS)
        return()
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=0)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS behaviour FIXTURES_REQUIRED wine
                                             SKIP_RETURN_CODE ${BRIXEL_WINE_SKIP_CODE})
endfunction()
