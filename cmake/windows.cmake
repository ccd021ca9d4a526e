# SPDX-License-Identifier: MIT
# The Windows release: a zip a user unpacks anywhere and double-clicks, and
# an MSI that installs the same files (see "The installer" below).
#
# It holds the stripped program and SDL's DLL side by side (Windows looks
# for DLLs beside the program first), the screen saver flyover.scr that
# starts the program beside it, a short README.txt, flyover's
# licence (MIT) and SDL's licence texts. SDL's entry library sends
# standard output and standard error to stdout.txt and stderr.txt beside the
# program; a failed start shows its one line in a box and leaves it there,
# or in %LOCALAPPDATA%\flyover (src/platform/windows/failedstart.cpp).
#
# SDL's install folder, as scripts/windows fills it, holds the header found,
# the DLL, the licence texts and the version of the source package built.
cmake_path(GET SDL_INCLUDE_DIR PARENT_PATH sdlroot)
cmake_path(GET sdlroot PARENT_PATH sdlroot)
set(SDL_DLL ${sdlroot}/bin/SDL.dll)
set(SDL_COPYING ${sdlroot}/share/licenses/SDL-COPYING.txt)
set(SDL_COPYRIGHT ${sdlroot}/share/licenses/SDL-copyright.txt)
foreach(file IN ITEMS ${SDL_DLL} ${SDL_COPYING} ${SDL_COPYRIGHT} ${sdlroot}/.complete)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: build SDL for Windows with scripts/windows")
  endif()
endforeach()
file(STRINGS ${sdlroot}/.complete FLYOVER_SDL_VERSION LIMIT_COUNT 1)

set(windist ${PROJECT_SOURCE_DIR}/dist/windows)
find_program(RSVG_CONVERT rsvg-convert REQUIRED) # Debian: librsvg2-bin
find_program(ICOTOOL icotool REQUIRED)           # Debian: icoutils
find_program(WIXL wixl REQUIRED)                 # Debian: wixl

# The programs' icon, drawn from flyover's SVG in the sizes Windows picks
# from, 16 px in lists to 256 px in Explorer's largest view (that one stored
# as PNG, as Windows expects it; the others as bitmaps).
set(icon ${PROJECT_BINARY_DIR}/flyover.ico)
set(iconsizes 16 24 32 48 64 128)
set(iconcommands)
foreach(size IN LISTS iconsizes ITEMS 256)
  list(APPEND iconcommands COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o icon-${size}.png
       ${PROJECT_SOURCE_DIR}/dist/flyover.svg)
endforeach()
list(TRANSFORM iconsizes REPLACE "(.+)" "icon-\\1.png" OUTPUT_VARIABLE iconpngs)
add_custom_command(
  OUTPUT ${icon}
  ${iconcommands}
  COMMAND ${ICOTOOL} -c -o ${icon} ${iconpngs} --raw=icon-256.png
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/dist/flyover.svg
  VERBATIM)

# Each program's resources (the icon, version information, string 1, the
# manifest), compiled by mingw's windres.
add_custom_target(windowsicon DEPENDS ${icon})
enable_language(RC)
set(rc_icon ${icon})
set(rc_manifest ${windist}/flyover.manifest)
set(rctargets flyover saver)
set(rcfiles flyover.exe flyover.scr)
set(rcdescriptions "flyover, a real-time 3-D fly-over of a random city" "flyover screen saver")
foreach(target rc_file rc_description IN ZIP_LISTS rctargets rcfiles rcdescriptions)
  configure_file(${windist}/resources.rc.in ${PROJECT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/${target}.rc)
  set_source_files_properties(${PROJECT_BINARY_DIR}/${target}.rc TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS "${icon};${rc_manifest}")
  add_dependencies(${target} windowsicon)
endforeach()

# Authenticode: with a PKCS#12 file and a file holding its password, both
# programs are signed after they are linked and before anything packs them,
# and the installer once wixl has made it; a timestamp only with a
# timestamping server's address. Without them all stays unsigned.
# scripts/windows sets these from the environment on every run. A failed
# signing stops the build before the zip or the installer exists.
set(FLYOVER_AUTHENTICODE_PFX "" CACHE FILEPATH "PKCS#12 file to sign the programs and installer with")
set(FLYOVER_AUTHENTICODE_PASSWORD_FILE "" CACHE FILEPATH "File holding the PKCS#12 file's password")
set(FLYOVER_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamping server for the signatures")
set(signing ${PROJECT_BINARY_DIR}/signing.txt)
if(FLYOVER_AUTHENTICODE_PFX AND FLYOVER_AUTHENTICODE_PASSWORD_FILE)
  find_program(OSSLSIGNCODE osslsigncode REQUIRED) # Debian: osslsigncode
  set(sign ${OSSLSIGNCODE} sign -pkcs12 ${FLYOVER_AUTHENTICODE_PFX} -readpass
           ${FLYOVER_AUTHENTICODE_PASSWORD_FILE} -h sha256 -n flyover)
  if(FLYOVER_TIMESTAMP_URL)
    list(APPEND sign -ts ${FLYOVER_TIMESTAMP_URL})
  endif()
  set(signedby ${FLYOVER_AUTHENTICODE_PFX})
else()
  set(sign)
  set(signedby)
endif()
# Packing again whenever the signing changes, and when the certificate does.
file(CONFIGURE OUTPUT ${signing} CONTENT "${sign}\n")
# The commands that move the file in to out, signed when signing; out
# appears only whole.
function(signorcopy in out result)
  if(sign)
    set(${result} COMMAND ${CMAKE_COMMAND} -E rm -f ${out}.part
        COMMAND ${sign} -in ${in} -out ${out}.part COMMAND ${CMAKE_COMMAND} -E rename ${out}.part
        ${out} COMMAND ${CMAKE_COMMAND} -E rm -f ${in} PARENT_SCOPE)
  else()
    set(${result} COMMAND ${CMAKE_COMMAND} -E rename ${in} ${out} PARENT_SCOPE)
  endif()
endfunction()

set(zipstage ${PROJECT_BINARY_DIR}/zip)
signorcopy(${zipstage}/flyover.unsigned.exe ${zipstage}/flyover.exe signexe)
signorcopy(${zipstage}/flyover.unsigned.scr ${zipstage}/flyover.scr signscr)
set(zip ${PROJECT_BINARY_DIR}/flyover-${PROJECT_VERSION}-windows-x86_64.zip)
configure_file(${windist}/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY)
file(MAKE_DIRECTORY ${zipstage})

# The texts get Windows line ends (zip -l); the binaries are stored as they are.
set(texts README.txt LICENSE.txt SDL-COPYING.txt SDL-copyright.txt)
add_custom_command(
  OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
  COMMAND ${CMAKE_STRIP} -o ${zipstage}/flyover.unsigned.exe $<TARGET_FILE:flyover>
  COMMAND ${CMAKE_STRIP} -o ${zipstage}/flyover.unsigned.scr $<TARGET_FILE:saver>
  ${signexe}
  ${signscr}
  COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${zipstage}/SDL.dll ${SDL_DLL}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/README.txt ${zipstage}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${zipstage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${SDL_COPYING} ${SDL_COPYRIGHT} ${zipstage}
  COMMAND zip -q -X -l ${zip} ${texts}
  COMMAND zip -q -X ${zip} flyover.exe flyover.scr SDL.dll
  WORKING_DIRECTORY ${zipstage}
  DEPENDS flyover saver ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_SOURCE_DIR}/LICENSE ${SDL_DLL}
          ${SDL_COPYING} ${SDL_COPYRIGHT} ${signing} ${signedby}
  COMMENT "Packing ${zip}"
  VERBATIM)
add_custom_target(windowszip ALL DEPENDS ${zip})

# The installer: the zip's files, unpacked as a user would (the texts with
# Windows' line ends) into msi/, packed by wixl into
# flyover-<version>-x86_64.msi (cmake/msi.cmake: a new product for every
# build, which takes the place of any version not newer).
set(msi ${PROJECT_BINARY_DIR}/flyover-${PROJECT_VERSION}-x86_64.msi)
signorcopy(${msi}.unsigned ${msi} signmsi)
add_custom_command(
  OUTPUT ${msi}
  COMMAND ${CMAKE_COMMAND} -E rm -rf msi ${msi} ${msi}.unsigned
  COMMAND unzip -q ${zip} -d msi
  COMMAND ${CMAKE_COMMAND} -D WIXL=${WIXL} -D VERSION=${PROJECT_VERSION} -D WXS=${windist}/flyover.wxs
          -D OUT=${msi}.unsigned -P ${PROJECT_SOURCE_DIR}/cmake/msi.cmake
  ${signmsi}
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  DEPENDS windowszip ${zip} ${windist}/flyover.wxs ${PROJECT_SOURCE_DIR}/cmake/msi.cmake ${signing}
          # the zip is packed by its own target alone
  COMMENT "Packing ${msi}"
  VERBATIM)
add_custom_target(windowsmsi ALL DEPENDS ${msi})
