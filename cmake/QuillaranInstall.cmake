# Installing the program like any Linux program, and its Debian package:
#   PREFIX/bin                         quillaran, cursorwright
#   PREFIX/share/quillaran             the help page, the pointer engine's read-me, images
#   PREFIX/lib/TRIPLET/quillaran       the libraries the program loads at run time (TRIPLET
#                                      the architecture's, x86_64-linux-gnu; lib/quillaran
#                                      where the compiler names none)
#   PREFIX/share/applications          a menu entry for each program
#   PREFIX/share/icons/hicolor         their icons
#   PREFIX/share/man/man1              their manual pages
# The program finds its files relative to its executable (platform/kernel/Programfiles.h),
# so the same rules serve `cmake --install --prefix P` and the package.
include(GNUInstallDirs)

set(QUILLARAN_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/quillaran)
# The private libraries lie in the architecture's folder, as Debian keeps a package's
# private libraries: the loader's search path and its cache (ldconfig) never see them.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(QUILLARAN_LIBRARY_DESTINATION lib/${CMAKE_LIBRARY_ARCHITECTURE}/quillaran)
else()
  set(QUILLARAN_LIBRARY_DESTINATION lib/quillaran)
endif()
file(RELATIVE_PATH installed_data /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QUILLARAN_DATA_DESTINATION})
file(RELATIVE_PATH installed_libraries /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QUILLARAN_LIBRARY_DESTINATION})
target_compile_definitions(platform_kernel PRIVATE QUILLARAN_INSTALLED_DATA="${installed_data}"
                                                   QUILLARAN_INSTALLED_LIBRARIES="${installed_libraries}")

# Folders that `cmake --install` makes are not writable by others under a umask of 0 (the
# package's modes are set on its staged tree, cmake/QuillaranPackageModes.cmake).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
install(TARGETS quillaran cursorwright RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS Leafguard Leafsplash Leafsnare LIBRARY DESTINATION ${QUILLARAN_LIBRARY_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/app/Quillaran.html ${PROJECT_SOURCE_DIR}/pointer/ReadMe.htm
        DESTINATION ${QUILLARAN_DATA_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/pointer/resources/CURSORWRIGHT.ico DESTINATION ${QUILLARAN_DATA_DESTINATION}/resources)
install(FILES ${packaging}/quillaran.desktop ${packaging}/cursorwright.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/quillaran.svg ${packaging}/cursorwright.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual pages and what Debian asks of every package's documentation folder (the
# copyright and the change log), compressed without a time stamp so that rebuilds give
# the same bytes.
set(docs ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(${packaging}/changelog.in ${docs}/changelog @ONLY)
foreach(page quillaran.1 cursorwright.1)
  configure_file(${packaging}/${page} ${docs}/${page} COPYONLY)
endforeach()
execute_process(COMMAND gzip -9nkf ${docs}/changelog ${docs}/quillaran.1 ${docs}/cursorwright.1)
install(FILES ${docs}/quillaran.1.gz ${docs}/cursorwright.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillaran)

# The Debian package: `cpack -G DEB` in a build folder. Its version is the project's,
# its library dependencies are derived from the binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillaran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillaran developers <developers@quillaran.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "discussion browser for moderated discussions by e-mail")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Participants read and extend a tree of short statements, and exchange their\ncontributions as sealed command messages over SMTP and POP3. The package also\nholds Cursorwright, which clicks, drags and scrolls with the keyboard in every\nwindow of the desktop.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The help page opens in the desktop's browser through xdg-open; the windows draw their
# texts in the fonts they name first when these are there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation, fonts-dejavu-core")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QuillaranPackageModes.cmake)
include(CPack)
