# SPDX-License-Identifier: MIT
# The Windows release: a zip a user unpacks anywhere and double-clicks.
#
# It holds the stripped program and SDL's DLL side by side (Windows looks
# for DLLs beside the program first), the screen saver flyover.scr that
# starts the program beside it, a short README.txt, flyover's
# licence (MIT) and SDL's licence texts. SDL's entry library sends
# standard output and standard error to stdout.txt and stderr.txt beside the
# program, which is where a failed start leaves its one line.
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
set(zipstage ${PROJECT_BINARY_DIR}/zip)
set(zip ${PROJECT_BINARY_DIR}/flyover-windows-x86_64.zip)
configure_file(${windist}/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY)
file(MAKE_DIRECTORY ${zipstage})

# The texts get Windows line ends (zip -l); the binaries are stored as they are.
set(texts README.txt LICENSE.txt SDL-COPYING.txt SDL-copyright.txt)
add_custom_command(
  OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
  COMMAND ${CMAKE_STRIP} -o ${zipstage}/flyover.exe $<TARGET_FILE:flyover>
  COMMAND ${CMAKE_STRIP} -o ${zipstage}/flyover.scr $<TARGET_FILE:saver>
  COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${zipstage}/SDL.dll ${SDL_DLL}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/README.txt ${zipstage}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${zipstage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${SDL_COPYING} ${SDL_COPYRIGHT} ${zipstage}
  COMMAND zip -q -X -l ${zip} ${texts}
  COMMAND zip -q -X ${zip} flyover.exe flyover.scr SDL.dll
  WORKING_DIRECTORY ${zipstage}
  DEPENDS flyover saver ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_SOURCE_DIR}/LICENSE ${SDL_DLL}
          ${SDL_COPYING} ${SDL_COPYRIGHT}
  COMMENT "Packing ${zip}"
  VERBATIM)
add_custom_target(windowszip ALL DEPENDS ${zip})
