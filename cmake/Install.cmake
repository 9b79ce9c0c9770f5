# SPDX-License-Identifier: MIT
# What `cmake --install` puts where, in components that cmake/Packaging.cmake
# makes packages of:
#   runtime      what a program loads: the shared library (and on Linux the
#                udev rule, platform/CMakeLists.txt)
#   development  what a program is built against: the headers, and the CMake
#                package and pkg-config file on Linux, the import library,
#                .def and CMake package on Windows; there the licence and
#                notices and the README too
#   tool         brixelctl and whatever else cli/ installs with it (Linux)
#   python       the Python module (python/CMakeLists.txt; Linux)
#   simulator    the stand-in SiUSBXp.dll (Windows)
#   debug        the DLL's debugging information, apart (Windows; only when
#                asked for: `cmake --install --component debug`)
include(CMakePackageConfigHelpers)
include(cmake/ThirdPartyNotices.cmake)

# What the Linux programs' notices say of the libraries they load rather than
# contain; and the header of the nlohmann-json the build compiles in.
set(linkedAtRunTime
    "libusb-1.0 (LGPL-2.1-or-later), which libBrixelLibrary loads: a dependency of the library's package"
    "the GCC runtime (libstdc++, libgcc): its GCC Runtime Library Exception asks for no notice")
if(TARGET nlohmann_json::nlohmann_json)
    get_target_property(dirs nlohmann_json::nlohmann_json INTERFACE_INCLUDE_DIRECTORIES)
    list(GET dirs 0 dir)
    set(BRIXEL_JSON_HEADER ${dir}/nlohmann/json.hpp)
endif()

install(FILES include/BrixelLibrary.h include/BrixelPlatform.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

if(WIN32)
    # The layout a Visual C++ developer expects, the same as the SDK archive's.
    # Only the DLL and what MSVC links with: the mingw import library would be
    # of no use, since the exports carry Microsoft's decorated names.
    install(FILES ${BRIXEL_SHIPPED_DLL} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)  # stripped
    install(FILES ${BRIXEL_MSVC_IMPORT_LIBRARY} DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
    install(FILES ${BRIXEL_EXPORTS_DIR}/BrixelLibrary-msvc.def
        DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME BrixelLibrary.def COMPONENT development)
    if(TARGET brixelctl)
        # The tool beside the DLL, stripped like it, and its help as text.
        install(PROGRAMS ${BRIXELCTL_SHIPPED} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
        install(FILES ${BRIXELCTL_HELP} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool OPTIONAL)
        # The panel's API, where its 404 replies point.
        get_filename_component(toolDocs ${BRIXEL_PANEL_API_DOC} DIRECTORY)
        install(FILES panel/API.md DESTINATION ${toolDocs} COMPONENT tool)
    endif()
    configure_file(packaging/windows/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt CHANGELOG.md DESTINATION . COMPONENT development)
    install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT development)

    # A CMake package over the DLL and its import library, found from its own
    # place wherever the archive is unpacked.
    set(packageDir ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary)
    configure_file(cmake/BrixelLibraryConfig-windows.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfig.cmake @ONLY)
    write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfigVersion.cmake
        COMPATIBILITY ${BRIXEL_VERSION_COMPATIBILITY})
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfig.cmake
        ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfigVersion.cmake DESTINATION ${packageDir} COMPONENT development)

    install(FILES ${BRIXEL_STAND_IN_DLL} DESTINATION simulator COMPONENT simulator)
    # Beside the DLL once unpacked over the SDK; the licence goes with it.
    install(FILES ${BRIXEL_DEBUG_FILE} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT debug EXCLUDE_FROM_ALL)
    install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT debug EXCLUDE_FROM_ALL)

    # Every program of the SDK carries the mingw-w64 runtime and the GCC
    # runtime inside (the toolchain links them statically). The stand-in
    # leaves out the simulator's state file and so nlohmann-json (the SDK's
    # check sees to it); brixelctl.exe has the tool's libraries compiled in.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread.a
        OUTPUT_VARIABLE winpthread OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(compiled "the mingw-w64 runtime (start-up code, winpthreads)|${winpthread}|every DLL and program of the SDK")
    set(subject "the SDK's DLLs")
    if(TARGET brixelctl)
        set(subject "the SDK's DLLs and brixelctl.exe")
        list(APPEND compiled "CLI11|/usr/include/CLI/CLI.hpp|bin\\brixelctl.exe"
            "nlohmann-json|${BRIXEL_JSON_HEADER}|bin\\brixelctl.exe"
            "cpp-httplib|${BRIXEL_HTTPLIB_DIR}/httplib.h|bin\\brixelctl.exe")
    endif()
    brixel_third_party_notices(${PROJECT_BINARY_DIR}/notices/sdk "${subject}"
        COMPILED ${compiled}
        NO_NOTICE "the GCC runtime (libstdc++, libgcc), in each: its GCC Runtime Library Exception asks for no notice")
    install(FILES ${PROJECT_BINARY_DIR}/notices/sdk DESTINATION . RENAME THIRD-PARTY-NOTICES.txt COMPONENT development)
    return()
endif()

# A shared library is not a program: no executable bit, as Debian ships them.
install(TARGETS BrixelLibrary EXPORT BrixelLibraryTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        COMPONENT runtime NAMELINK_COMPONENT development)

install(EXPORT BrixelLibraryTargets NAMESPACE BrixelLibrary::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary COMPONENT development)
configure_package_config_file(cmake/BrixelLibraryConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfigVersion.cmake
    COMPATIBILITY ${BRIXEL_VERSION_COMPATIBILITY})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary COMPONENT development)

# The .pc file names the prefix it is installed under, as given at install
# time (`cmake --install --prefix` elsewhere too; DESTDIR, as cpack uses it,
# apart): plain paths, so that pkg-config leaves out /usr/include and the
# system's library directory as its own. Written apart for each destination,
# since installs may run at once.
set(BRIXEL_PC_PREFIX "@BRIXEL_PC_PREFIX@")
set(pcTemplate ${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/BrixelLibrary.pc.in)
configure_file(cmake/BrixelLibrary.pc.in ${pcTemplate} @ONLY)
install(CODE "
    get_filename_component(BRIXEL_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
    string(MD5 destination \"\$ENV{DESTDIR}\${BRIXEL_PC_PREFIX}\")
    set(pc \"${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/\${destination}/BrixelLibrary.pc\")
    configure_file(\"${pcTemplate}\" \"\${pc}\" @ONLY)
    file(INSTALL \"\${pc}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
    " COMPONENT development)

if(TARGET brixelctl)
    # The installed tool loads the library installed beside it, wherever the
    # prefix is: its run path is relative to its own place. Where the library
    # lands in a directory the loader searches anyway (/usr for the Debian
    # packages), no run path.
    if(NOT CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
        file(RELATIVE_PATH BRIXEL_BIN_TO_LIB "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
        set_target_properties(brixelctl PROPERTIES INSTALL_RPATH "$ORIGIN/${BRIXEL_BIN_TO_LIB}")
    endif()
    install(TARGETS brixelctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
    # Both written by the tool from its command definitions.
    install(FILES ${BRIXELCTL_MANUAL}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
    install(FILES ${BRIXELCTL_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME brixelctl COMPONENT tool)
    # With the tool's documentation: the panel's API, where its 404 replies
    # point, and the notices of what is compiled into the tool.
    get_filename_component(toolDocs ${BRIXEL_PANEL_API_DOC} DIRECTORY)
    install(FILES panel/API.md DESTINATION ${toolDocs} COMPONENT tool)
    find_file(BRIXEL_CLI11_HEADER CLI/CLI.hpp)
    brixel_third_party_notices(${PROJECT_BINARY_DIR}/notices/brixelctl brixelctl
        COMPILED "CLI11|${BRIXEL_CLI11_HEADER}|brixelctl" "nlohmann-json|${BRIXEL_JSON_HEADER}|brixelctl"
        NO_NOTICE ${linkedAtRunTime} "cpp-httplib (MIT), which brixelctl serve loads: a dependency of the package"
                  "libmosquitto (EPL-2.0 or EDL-1.0), which the MQTT bridge of brixelctl serve loads: a dependency of the package")
    install(FILES ${PROJECT_BINARY_DIR}/notices/brixelctl DESTINATION ${toolDocs} RENAME THIRD-PARTY-NOTICES
        COMPONENT tool)

    # brixelctl serve as a service: the systemd unit, run by a system user of
    # its own (made by the Debian package), and its settings in one file,
    # under /etc for a /usr install as Debian has them, under the prefix else.
    set(BRIXEL_SERVICE brixelctl-serve.service)
    set(BRIXEL_SERVICE_USER brixelctl)
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set(settings_destination ${CMAKE_INSTALL_FULL_SYSCONFDIR}/brixelctl)
    else()
        set(settings_destination ${CMAKE_INSTALL_SYSCONFDIR}/brixelctl)
    endif()
    set(BRIXEL_SERVE_SETTINGS ${CMAKE_INSTALL_FULL_SYSCONFDIR}/brixelctl/serve.conf)
    configure_file(packaging/debian/brixelctl-serve.service.in ${CMAKE_CURRENT_BINARY_DIR}/${BRIXEL_SERVICE} @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${BRIXEL_SERVICE} DESTINATION lib/systemd/system COMPONENT tool)
    install(FILES packaging/debian/serve.conf DESTINATION ${settings_destination} COMPONENT tool)
endif()

if(TARGET brixel_python_native)
    brixel_third_party_notices(${PROJECT_BINARY_DIR}/notices/python "the Python module brixel"
        COMPILED "pybind11|${pybind11_INCLUDE_DIR}/pybind11/pybind11.h|brixel/_native"
                 "nlohmann-json|${BRIXEL_JSON_HEADER}|brixel/_native"
        NO_NOTICE ${linkedAtRunTime})
    install(FILES ${PROJECT_BINARY_DIR}/notices/python DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/python3-brixel
        RENAME THIRD-PARTY-NOTICES COMPONENT python)
endif()
