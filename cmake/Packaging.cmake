# What `cmake --install` puts where, and the Debian package CPack makes of
# that tree. Every install rule of the project lives here.
include(GNUInstallDirs)

set(LINTREL_MAINTAINER "The Lintrel authors <lintrel@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

# Debian keeps manual pages compressed; -n keeps the package reproducible.
set(LINTREL_MAN_DIR ${PROJECT_BINARY_DIR}/man)
set(LINTREL_MAN_PAGES)
foreach(PAGE lintrel-cli lintrel)
    if(PAGE STREQUAL "lintrel" AND NOT LINTREL_BUILD_GUI)
        continue()
    endif()
    # The page's header takes the version from project().
    configure_file(${PROJECT_SOURCE_DIR}/docs/${PAGE}.1 ${LINTREL_MAN_DIR}/${PAGE}.1.in @ONLY)
    add_custom_command(OUTPUT ${LINTREL_MAN_DIR}/${PAGE}.1.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${LINTREL_MAN_DIR}/${PAGE}.1.in ${LINTREL_MAN_DIR}/${PAGE}.1
        COMMAND gzip -9nf ${LINTREL_MAN_DIR}/${PAGE}.1
        DEPENDS ${LINTREL_MAN_DIR}/${PAGE}.1.in
        COMMENT "Compressing the manual page ${PAGE}.1"
        VERBATIM)
    list(APPEND LINTREL_MAN_PAGES ${LINTREL_MAN_DIR}/${PAGE}.1.gz)
endforeach()
add_custom_target(lintrel_man_pages ALL DEPENDS ${LINTREL_MAN_PAGES})
install(FILES ${LINTREL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(TARGETS lintrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(LINTREL_BUILD_GUI)
    install(TARGETS lintrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/res/lintrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(SIZE 16 32 48)
        install(FILES ${PROJECT_SOURCE_DIR}/res/icon-${SIZE}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${SIZE}x${SIZE}/apps
            RENAME lintrel.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/res/lintrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lintrel)
set(CPACK_PACKAGE_VENDOR "The Lintrel authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${LINTREL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link checker for web sites, with a window and a command line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lintrel fetches a start page, extracts the links written on it and checks\n"
    "every plain http link with one HTTP HEAD request, listing each link with\n"
    "the page it was found on and its status. It can go on through the pages of\n"
    "the same site below the start URL's directory, and saves an HTML report.\n"
    "The package holds the window program, lintrel, and lintrel-cli for scripts\n"
    "and CI, with exit statuses and tab-separated or JSON output.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lintrel.example.org/")
set(CPACK_STRIP_FILES ON)
# Directories the package creates get the usual modes whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LINTREL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime dependencies come from the programs' own libraries, never by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
