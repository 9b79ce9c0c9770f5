# SPDX-License-Identifier: MIT
# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE, set in
# cmake/Packaging.cmake).

# Refused: a file installed with no component, or with one no package takes,
# would be left out silently.
if(CPACK_BRIXEL_UNPACKAGED_COMPONENTS)
    message(FATAL_ERROR "install rules whose component no package takes: ${CPACK_BRIXEL_UNPACKAGED_COMPONENTS} "
                        "(packaged: ${CPACK_COMPONENTS_ALL}; see cmake/Install.cmake)")
endif()

if(CPACK_GENERATOR STREQUAL "DEB")
    # Refused: the library directory, the udev rule's place and the tool's run
    # path were fixed when the build was configured, and only a /usr build
    # makes a Debian package.
    if(NOT CPACK_BRIXEL_CONFIGURED_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
        message(FATAL_ERROR "this build was configured for ${CPACK_BRIXEL_CONFIGURED_PREFIX}; Debian packages "
                            "need CMAKE_INSTALL_PREFIX=${CPACK_PACKAGING_INSTALL_PREFIX} (cmake --preset package)")
    endif()
    # Each package's description begins with its own synopsis; the project's
    # summary would otherwise be put above it.
    unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()
