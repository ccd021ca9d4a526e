# SPDX-License-Identifier: MIT
# What `cmake --install` puts on a system, and the Debian package made of it.
#
# Installed: the program, its man page (section 6, gzipped as Debian wants),
# a desktop entry, its AppStream metainfo (what software centres show) and a
# scalable icon. The libraries and test programs of the
# build have no install rules, so nothing else is installed.
include(GNUInstallDirs)

set(dist ${PROJECT_SOURCE_DIR}/dist)

# The man page is compressed at build time: reproducibly (-n leaves out the
# name and time stamp), at the strongest level.
set(manpage ${PROJECT_BINARY_DIR}/dist/flyover.6.gz)
add_custom_command(
  OUTPUT ${manpage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/dist
  COMMAND gzip -9n -c ${dist}/flyover.6 > ${manpage}
  DEPENDS ${dist}/flyover.6
  COMMENT "Compressing the man page"
  VERBATIM)
add_custom_target(manpage ALL DEPENDS ${manpage})

# `cmake --install` records what it installed in the build tree's
# install_manifest.txt. After `sudo cmake --install`, that file is root's, and
# a later install as the user (say with --prefix ~/.local) could not rewrite
# it. The build tree is the user's, so the user may remove it: do so first.
install(CODE "file(REMOVE \"${PROJECT_BINARY_DIR}/install_manifest.txt\")")

# The program goes to bin/ in a plain install and to /usr/games in the Debian
# package, where Debian keeps games; each rule is in its own component.
install(TARGETS flyover RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(TARGETS flyover RUNTIME DESTINATION games COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${dist}/flyover.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist}/org.example.flyover.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dist}/flyover.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian requires a copyright file and a changelog in every package. They
# belong to the package, not to a plain install: they live in the component
# that `cmake --install` leaves out and CPack adds below. The changelog is
# written from CHANGELOG.md in Debian's format, which lintian reads.
set(maintainer "flyover developers <flyover@example.org>")
set(changelog ${PROJECT_BINARY_DIR}/dist/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/dist
  COMMAND awk -v maintainer=${maintainer} -f ${PROJECT_SOURCE_DIR}/cmake/debian-changelog.awk
          ${PROJECT_SOURCE_DIR}/CHANGELOG.md > ${PROJECT_BINARY_DIR}/dist/changelog
  COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/dist/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/cmake/debian-changelog.awk
  COMMENT "Writing the Debian changelog from CHANGELOG.md"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES ${dist}/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/flyover
        COMPONENT debian EXCLUDE_FROM_ALL)

# The Debian package: `cpack -G DEB` in a build tree (scripts/package makes a
# Release one). Its dependencies are computed when cpack runs, see
# debian-depends.cmake; with SOURCE_DATE_EPOCH set, cpack stamps every file
# with that time, so that the same sources give the same package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME flyover)
set(CPACK_PACKAGE_CONTACT ${maintainer})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3-D fly-over of an endless random city")
set(CPACK_PACKAGE_DESCRIPTION
    "Flyover switches the display to a full-screen OpenGL mode and flies a camera\n"
    "over and through a city it makes up at start-up: thousands of dark towers\n"
    "and floating beams, see-through cloud sheets and red-brown ground tiles,\n"
    "streaming toward the viewer without end. Every run shows a different city.\n"
    "The keys 1, 2 and 3 choose a camera program, Escape ends the demo.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY flyover)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# CPack would label a cross-built package with the build machine's
# architecture: a cross build names the one its compiler targets.
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -q DEB_HOST_ARCH
                  OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/dist/debian-depends.cmake
     INPUT ${PROJECT_SOURCE_DIR}/cmake/debian-depends.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/dist/debian-depends.cmake)
# What a plain install puts in place, less the program in bin/, plus the
# program in /usr/games and the Debian documents.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};flyover;Unspecified;/"
    "${PROJECT_BINARY_DIR};flyover;debian;/")
include(CPack)
