# What `cmake --install` puts where, in three components, one package each
# (cmake/Packaging.cmake):
#   runtime      what a program loads: the shared library (and on Linux the
#                udev rule, platform/CMakeLists.txt)
#   development  what a program is built against: the headers, and the CMake
#                package and pkg-config file on Linux, the import library and
#                .def on Windows
#   tool         brixelctl and whatever else cli/ installs with it
include(CMakePackageConfigHelpers)

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
    endif()
    configure_file(packaging/windows/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt CHANGELOG.md DESTINATION . COMPONENT development)
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

# The prefix is found from the .pc file's own place, so that a copy installed
# with `cmake --install --prefix` elsewhere still describes itself.
file(RELATIVE_PATH BRIXEL_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" BRIXEL_PC_TO_PREFIX "${BRIXEL_PC_TO_PREFIX}")
configure_file(cmake/BrixelLibrary.pc.in ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibrary.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibrary.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

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
