# SPDX-License-Identifier: MIT
# Read by cpack before it makes the Debian package: the package's Depends.
#
# dpkg-shlibdeps computes them from the libraries the program links, with
# versions from the build system. Debian has two runtimes for libSDL-1.2.so.0:
# classic SDL 1.2 (libsdl1.2debian) and sdl12-compat on SDL 2, whose
# libsdl1.2-compat-shim provides the former's name. The program is built and
# tested on sdl12-compat, so the dependency names the shim first: apt then
# installs it, while a system that keeps classic SDL is still served.
# SDL loads libGL.so.1 itself at run time, which dpkg-shlibdeps cannot see:
# libgl1 is added by hand. It brings Mesa's GLX and DRI drivers (libglx0
# depends on libglx-mesa0, which depends on libgl1-mesa-dri) unless another
# GLX vendor is installed, which then draws instead.
# SDL's Wayland driver draws through EGL, also loaded at run time: libegl1 is
# recommended, for desktops without X.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(work "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/shlibdeps")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/debian")
file(WRITE "${work}/debian/control" "")
file(WRITE "${work}/debian/shlibs.local"
     "libSDL-1.2 0 libsdl1.2-compat-shim | libsdl1.2debian (>= 1.2.15)\n")
execute_process(COMMAND dpkg-shlibdeps -O "$<TARGET_FILE:flyover>"
                WORKING_DIRECTORY "${work}"
                OUTPUT_VARIABLE shlibdeps OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_VARIABLE shlibdeps_error
                RESULT_VARIABLE shlibdeps_status)
file(REMOVE_RECURSE "${work}")
if(NOT shlibdeps_status EQUAL 0 OR NOT shlibdeps MATCHES "^shlibs:Depends=")
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${shlibdeps_error}")
endif()
string(REGEX REPLACE "^shlibs:Depends=" "" shlibdeps "${shlibdeps}")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${shlibdeps}, libgl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libegl1")
