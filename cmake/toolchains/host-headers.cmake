# SPDX-License-Identifier: MIT
# Header-only packages of the build machine for a cross build, without the
# rest of its /usr/include: glibc's headers must not reach the cross compiler.
# The package's config finds its headers relative to itself, so a prefix of
# links to just its two folders is enough.
set(prefix ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${prefix}/include ${prefix}/share/cmake)
if(NOT EXISTS ${prefix}/include/nlohmann)
    file(CREATE_LINK /usr/include/nlohmann ${prefix}/include/nlohmann SYMBOLIC)
    file(CREATE_LINK /usr/share/cmake/nlohmann_json ${prefix}/share/cmake/nlohmann_json SYMBOLIC)
endif()
set(nlohmann_json_DIR ${prefix}/share/cmake/nlohmann_json CACHE PATH "nlohmann-json for the cross build")
unset(prefix)
