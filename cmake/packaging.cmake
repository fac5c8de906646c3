# Installation layout (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS vestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual page goes in gzip-compressed, as Debian ships them; -n keeps the
# name and time stamp out of the archive so the package is reproducible.
find_program(VESTREL_GZIP gzip)
set(vestrel_man_source ${PROJECT_SOURCE_DIR}/vestrel.1)
if(VESTREL_GZIP)
    set(vestrel_man_dir ${PROJECT_BINARY_DIR}/man)
    set(vestrel_man_page ${vestrel_man_dir}/vestrel.1.gz)
    add_custom_command(OUTPUT ${vestrel_man_page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${vestrel_man_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${vestrel_man_source} ${vestrel_man_dir}/vestrel.1
        COMMAND ${VESTREL_GZIP} -9nf ${vestrel_man_dir}/vestrel.1
        DEPENDS ${vestrel_man_source}
        COMMENT "Compressing the manual page"
        VERBATIM)
    add_custom_target(vestrel_man ALL DEPENDS ${vestrel_man_page})
else()
    set(vestrel_man_page ${vestrel_man_source})
endif()
install(FILES ${vestrel_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/completions/vestrel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VESTREL_BUG_EMAIL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print the elements of HTML documents that match CSS selectors")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vestrel developers <${VESTREL_BUG_EMAIL}>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary first and indents these lines as the control file
# wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "vestrel reads HTML documents, repairs them into XHTML with HTML Tidy,
and prints every element that matches a group of CSS selectors, in
document order, to standard output or to list files. It takes file
names, wildcard patterns or standard input.")

# dpkg-shlibdeps (dpkg-dev) derives the runtime dependencies from the
# binary; without it the same libraries are named by hand.
find_program(VESTREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VESTREL_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libtidy5deb1 (>= 2:5.6.0), libtinyxml2-9 (>= 9.0.0), libuchardet0, libssl3, libxxhash0, libstdc++6, libgcc-s1, libc6")
endif()

include(CPack)
