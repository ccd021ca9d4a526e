# SPDX-License-Identifier: MIT
# What `cmake --install` puts on a system, and so the Debian package (debian/).
#
# Installed: the program, its man page (section 6, gzipped as Debian wants),
# a desktop entry, its AppStream metainfo (what software centres show), a
# scalable icon, and what XScreenSaver's settings dialog shows of it. The
# libraries and test programs of the build have no install rules, so
# nothing else is installed.
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

# The Debian package sets CMAKE_INSTALL_BINDIR to games: /usr/games.
install(TARGETS flyover RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${dist}/flyover.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist}/org.example.flyover.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dist}/flyover.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${dist}/flyover.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
