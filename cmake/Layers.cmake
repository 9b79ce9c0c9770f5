# SPDX-License-Identifier: MIT
# The architecture as the build sees it. Each layer is a target whose include
# path is a view: a folder of links to just the source folders (or single
# headers) that the layer itself owns. A target sees another layer's headers
# only by linking that layer, so `#include "link/transact.h"` compiles only
# where the link is a declared dependency, and nothing can reach up.

set(BRIXEL_VIEWS ${PROJECT_BINARY_DIR}/include-views)

# brixel_view(<name> <path>...): the view <name> of the given source paths,
# each relative to the top of the tree and kept at that relative place.
function(brixel_view name)
    set(dir ${BRIXEL_VIEWS}/${name})
    file(REMOVE_RECURSE ${dir})  # links only; what they point at stays
    foreach(path IN LISTS ARGN)
        get_filename_component(parent ${dir}/${path} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${dir}/${path} SYMBOLIC)
    endforeach()
endfunction()

# brixel_layer(<target> <folder> [STATIC] SOURCES <file>... [PUBLIC <target>...] [PRIVATE <target>...])
# The folder's code as one target (an object library unless STATIC). PUBLIC
# names the layers its own headers include; PRIVATE those only its sources do.
function(brixel_layer target folder)
    cmake_parse_arguments(L "STATIC" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    brixel_view(${folder} ${folder})
    if(L_STATIC)
        add_library(${target} STATIC ${L_SOURCES})
    else()
        add_library(${target} OBJECT ${L_SOURCES})
    endif()
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${BRIXEL_VIEWS}/${folder}>)
    target_link_libraries(${target} PUBLIC brixel_interface ${L_PUBLIC} PRIVATE brixel_options ${L_PRIVATE})
endfunction()

# brixel_precompile(<target> <header>...): the given heavy library headers
# parsed once for the target rather than once per file, where
# BRIXEL_PRECOMPILE_HEADERS asks for it (the tool preset: a newcomer's first
# build). Off elsewhere, so that a file that forgets an include still fails
# to build in the tests' builds.
function(brixel_precompile target)
    if(BRIXEL_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} PRIVATE ${ARGN})
    endif()
endfunction()
