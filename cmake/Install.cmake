include(CMakePackageConfigHelpers)

install(TARGETS BrixelLibrary EXPORT BrixelLibraryTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/BrixelLibrary.h include/BrixelPlatform.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT BrixelLibraryTargets NAMESPACE BrixelLibrary:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary)
configure_package_config_file(cmake/BrixelLibraryConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibraryConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/BrixelLibrary)

# The prefix is found from the .pc file's own place, so that a copy installed
# with `cmake --install --prefix` elsewhere still describes itself.
file(RELATIVE_PATH BRIXEL_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" BRIXEL_PC_TO_PREFIX "${BRIXEL_PC_TO_PREFIX}")
configure_file(cmake/BrixelLibrary.pc.in ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibrary.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/BrixelLibrary.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET brixelctl)
    # The installed tool loads the library installed beside it, wherever the
    # prefix is: its run path is relative to its own place.
    file(RELATIVE_PATH BRIXEL_BIN_TO_LIB "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
    set_target_properties(brixelctl PROPERTIES INSTALL_RPATH "$ORIGIN/${BRIXEL_BIN_TO_LIB}")
    install(TARGETS brixelctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
    # Both written by the tool from its command definitions.
    install(FILES ${BRIXELCTL_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
    install(FILES ${BRIXELCTL_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME brixelctl COMPONENT tool)
endif()
