# SPDX-License-Identifier: MIT
# What cpack makes of the install components (cmake/Install.cmake): on Linux
# one Debian package per component, on Windows one SDK archive per
# architecture. scripts/package builds and runs it.

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake)

if(WIN32)
    # Two zips: the SDK (bin/ with brixelctl.exe, include/, lib/, simulator/,
    # the texts) and, as a separate download, the DLL's debugging information.
    # Both hold the same top folder, so the second unpacks over the first.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_COMPONENTS_ALL runtime development simulator debug)
    if(TARGET brixelctl)
        list(APPEND CPACK_COMPONENTS_ALL tool)  # bin/brixelctl.exe
    endif()
    set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
    foreach(component IN ITEMS runtime development simulator tool)
        string(TOUPPER ${component} COMPONENT)
        set(CPACK_COMPONENT_${COMPONENT}_GROUP sdk)
    endforeach()
    set(CPACK_COMPONENT_DEBUG_GROUP debug)
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
    set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-windows-${BRIXEL_WINDOWS_ARCH})
    set(CPACK_ARCHIVE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
    set(CPACK_ARCHIVE_SDK_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
    set(CPACK_ARCHIVE_DEBUG_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-debug)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_COMPONENTS_ALL runtime development)
    if(TARGET brixelctl)
        list(APPEND CPACK_COMPONENTS_ALL tool)
    endif()
    if(TARGET brixel_python_native)
        list(APPEND CPACK_COMPONENTS_ALL python)
    endif()
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_STRIP_FILES ON)

    set(BRIXEL_PACKAGE_MAINTAINER "BrixelLibrary maintainers <maintainers@users.noreply.c-seed-6401c82b.example>"
        CACHE STRING "The Maintainer of the Debian packages")
    set(debianSource brixellibrary)
    set(debianRevision 1)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BRIXEL_PACKAGE_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SOURCE ${debianSource})
    set(CPACK_DEBIAN_PACKAGE_RELEASE ${debianRevision})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # brixelctl needs the library of the package beside it, found in the build.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

    # The library's package is named after its SONAME, as Debian names them.
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME lib${debianSource}${BRIXEL_SOVERSION})
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME lib${debianSource}-dev)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
    set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
    set(CPACK_DEBIAN_TOOL_PACKAGE_NAME brixelctl)
    set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
    set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
    set(CPACK_DEBIAN_TOOL_PACKAGE_SUGGESTS edid-decode)  # edid get --decode, --check
    # The module is built for one Python version (its file name says which).
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-brixel)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
    math(EXPR pythonNext "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), python3 (<< ${Python3_VERSION_MAJOR}.${pythonNext})")

    # The library's maintainer scripts make the udev rule apply at once; the
    # loader learns of the library through dpkg's ldconfig trigger (given
    # scripts of ours, cpack adds no ldconfig calls of its own).
    file(STRINGS platform/linux/70-brixel.rules rule REGEX "idVendor")
    if(NOT rule MATCHES "ATTR\\{idVendor\\}==\"([0-9a-f]+)\"")
        message(FATAL_ERROR "no ATTR{idVendor} in platform/linux/70-brixel.rules")
    endif()
    set(BRIXEL_USB_VENDOR ${CMAKE_MATCH_1})
    set(control ${PROJECT_BINARY_DIR}/debian-control)
    foreach(script IN ITEMS postinst:configure postrm:remove)
        string(REPLACE ":" ";" script ${script})
        list(GET script 1 BRIXEL_SCRIPT_ACTION)
        list(GET script 0 script)
        configure_file(packaging/debian/udev-reload.in ${control}/${script} @ONLY)
    endforeach()
    file(WRITE ${control}/triggers "activate-noawait ldconfig\n")
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${control}/postinst ${control}/postrm ${control}/triggers)
    # The tool's: the service's system user, and systemd told of its unit
    # (neither enabled nor started: it needs its broker set first). Its
    # settings file is the admin's to change.
    if(TARGET brixelctl)
        set(toolControl ${PROJECT_BINARY_DIR}/debian-control-tool)
        foreach(script IN ITEMS postinst prerm postrm)
            configure_file(packaging/debian/tool-${script}.in ${toolControl}/${script} @ONLY)
        endforeach()
        file(WRITE ${toolControl}/conffiles "${BRIXEL_SERVE_SETTINGS}\n")
        set(CPACK_DEBIAN_TOOL_PACKAGE_CONTROL_EXTRA
            ${toolControl}/postinst ${toolControl}/prerm ${toolControl}/postrm ${toolControl}/conffiles)
        set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS adduser)
    endif()
    if(TARGET brixel_python_native)
        set(pythonControl ${PROJECT_BINARY_DIR}/debian-control-python)
        foreach(script IN ITEMS postinst prerm)
            configure_file(packaging/debian/python-${script}.in ${pythonControl}/${script} @ONLY)
        endforeach()
        set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${pythonControl}/postinst ${pythonControl}/prerm)
    endif()

    # Descriptions: a synopsis line, then the text; @BRIXEL_ABOUT@ is the
    # paragraph the library's packages share. cpack writes them into its
    # configuration unquoted, so they hold no quote and no semicolon.
    file(READ packaging/debian/about.txt BRIXEL_ABOUT)
    string(STRIP "${BRIXEL_ABOUT}" BRIXEL_ABOUT)
    foreach(component IN LISTS CPACK_COMPONENTS_ALL)
        file(READ packaging/debian/${component}.txt description)
        string(CONFIGURE "${description}" description @ONLY)
        string(STRIP "${description}" description)
        if(description MATCHES "[\";]")
            message(FATAL_ERROR "packaging/debian/${component}.txt: no quote or semicolon, please")
        endif()
        string(TOUPPER ${component} COMPONENT)
        set(CPACK_DEBIAN_${COMPONENT}_DESCRIPTION "${description}")
    endforeach()

    # Debian's changelog of the packages, from CHANGELOG.md: an entry for each
    # released version, dated as there, pointing to the upstream changelog
    # installed beside it.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
    file(STRINGS CHANGELOG.md releases REGEX "^## \\[[0-9]+\\.[0-9]+\\.[0-9]+\\] - [0-9]+-[0-9]+-[0-9]+$")
    set(debianChangelog "")
    set(releasedVersions "")
    foreach(release IN LISTS releases)
        string(REGEX REPLACE "^## \\[([^]]+)\\] - (.+)$" "\\1;\\2" release "${release}")
        list(GET release 0 version)
        list(GET release 1 day)
        execute_process(COMMAND date -u -R -d "${day}" OUTPUT_VARIABLE date
            OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        string(APPEND debianChangelog
            "${debianSource} (${version}-${debianRevision}) unstable; urgency=medium\n\n"
            "  * Upstream release ${version}: changelog.gz says what it brings.\n\n"
            " -- ${BRIXEL_PACKAGE_MAINTAINER}  ${date}\n\n")
        list(APPEND releasedVersions ${version})
    endforeach()
    if(NOT PROJECT_VERSION IN_LIST releasedVersions)
        message(FATAL_ERROR "CHANGELOG.md has no section \"## [${PROJECT_VERSION}] - YYYY-MM-DD\" for the project's version")
    endif()
    string(STRIP "${debianChangelog}" debianChangelog)
    set(debianDocs ${PROJECT_BINARY_DIR}/debian-docs)
    file(WRITE ${debianDocs}/changelog.Debian "${debianChangelog}\n")
    execute_process(COMMAND gzip -9nc ${debianDocs}/changelog.Debian OUTPUT_FILE ${debianDocs}/changelog.Debian.gz
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/CHANGELOG.md OUTPUT_FILE ${debianDocs}/changelog.gz
        COMMAND_ERROR_IS_FATAL ANY)

    # The copyright file in Debian's machine-readable form, with the licence
    # and its holders as LICENSE gives them.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
    file(STRINGS LICENSE BRIXEL_COPYRIGHT REGEX "^Copyright \\(c\\) ")
    string(REGEX REPLACE "^Copyright \\(c\\) " "" BRIXEL_COPYRIGHT "${BRIXEL_COPYRIGHT}")
    file(READ LICENSE licence)
    string(REGEX REPLACE "^.*\n\n(Permission)" "\\1" licence "${licence}")
    string(STRIP "${licence}" licence)
    string(REPLACE "\n\n" "\n.\n" licence "${licence}")
    string(REPLACE "\n" "\n " licence "${licence}")
    set(BRIXEL_LICENCE_TEXT " ${licence}")
    configure_file(packaging/copyright ${debianDocs}/copyright @ONLY)

    # Every package carries its copyright and changelogs, as Debian requires;
    # a plain `cmake --install` leaves them out.
    foreach(component IN LISTS CPACK_COMPONENTS_ALL)
        string(TOUPPER ${component} COMPONENT)
        set(docs ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME})
        install(FILES ${debianDocs}/copyright ${debianDocs}/changelog.gz ${debianDocs}/changelog.Debian.gz
            DESTINATION ${docs} COMPONENT ${component} EXCLUDE_FROM_ALL)
    endforeach()
endif()

# For CPackOptions.cmake (cpack passes on only CPACK_ variables): the
# configured prefix, and the install components that no package takes.
set(CPACK_BRIXEL_CONFIGURED_PREFIX ${CMAKE_INSTALL_PREFIX})
get_cmake_property(CPACK_BRIXEL_UNPACKAGED_COMPONENTS COMPONENTS)
list(REMOVE_ITEM CPACK_BRIXEL_UNPACKAGED_COMPONENTS ${CPACK_COMPONENTS_ALL})

include(CPack)
