# SPDX-License-Identifier: MIT
# cmake --install of the tool component puts brixelctl, its manual page and
# its bash completion where man and bash-completion look for them, and the
# panel's API.md and the notices of what is compiled in with its documentation.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --component tool
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install --component tool failed: ${result}")
endif()
foreach(file bin/brixelctl share/man/man1/brixelctl.1.gz share/bash-completion/completions/brixelctl
             share/doc/brixelctl/API.md share/doc/brixelctl/THIRD-PARTY-NOTICES)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "${file} was not installed")
    endif()
endforeach()
execute_process(COMMAND gzip -dc ${PREFIX}/share/man/man1/brixelctl.1.gz OUTPUT_VARIABLE page)
if(NOT page MATCHES "\\.TH BRIXELCTL 1")
    message(FATAL_ERROR "the installed manual page is not brixelctl(1)")
endif()
file(REMOVE_RECURSE ${PREFIX})
