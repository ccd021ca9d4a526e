# SPDX-License-Identifier: MIT
# The browser edition: the same subsystems built with Emscripten into a web
# page. Emscripten brings its own SDL 1.2 and a legacy OpenGL emulation on
# WebGL, so this replaces the desktop's SDL, OpenGL and GLU lookups, its
# hardening flags, the tests and the packaging. Included from the top-level
# CMakeLists.txt when the Emscripten toolchain is in use (scripts/web).
#
# The page lands in FLYOVER_PAGE_DIR: index.html with its script and style
# (page.js, page.css), flyover.js, flyover.wasm, and what makes it an
# installable app that opens offline: the manifest, the icons and the
# service worker sw.js.
set(FLYOVER_PAGE_DIR ${PROJECT_SOURCE_DIR}/build/web
    CACHE PATH "Folder that receives the web page")

# Debian's Emscripten cache is frozen and empty: scripts/web sets up a
# writable one. Every compile and link gets the same setting, so that a build
# started by hand after scripts/web finds the libraries built there.
if(NOT DEFINED ENV{EM_CACHE})
  message(FATAL_ERROR "Configure the web build with scripts/web, which sets up Emscripten's cache")
endif()
set(emscripten_env ${CMAKE_COMMAND} -E env "EM_CACHE=$ENV{EM_CACHE}" "EM_FROZEN_CACHE=")
if(DEFINED ENV{NODE_PATH})
  list(APPEND emscripten_env "NODE_PATH=$ENV{NODE_PATH}")
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER ${emscripten_env})
set(CMAKE_CXX_LINKER_LAUNCHER ${emscripten_env})

# The SDL and OpenGL targets the subsystems name, made of Emscripten's own
# headers and JavaScript libraries. SDL.h lives in its own folder there.
set(SDL_INCLUDE_DIRS ${EMSCRIPTEN_SYSROOT}/include/SDL)
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)
add_library(SDL::SDL INTERFACE IMPORTED)
target_link_options(SDL::SDL INTERFACE
  -sLEGACY_GL_EMULATION=1 # fixed-function OpenGL 1.1 and GLU on WebGL
  -sGL_UNSAFE_OPTS=0      # every state change reaches WebGL as asked
  -sASYNCIFY              # the blocking main loop: SDL_Delay yields to the browser
  -sEXIT_RUNTIME=1        # Quit's exit() really ends the program
  -sENVIRONMENT=web
  -sDYNAMIC_EXECUTION=0   # no eval: the page's policy forbids it
  "--js-library=${PROJECT_SOURCE_DIR}/src/platform/web/library.js"
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=presskey) # the page's key buttons

add_subdirectory(src)

# The web platform layer: stands in for the emulation's indexed quads and
# gluLookAt in the rendering subsystem (webgl.h), and for SDL's video mode
# in main.cpp (websdl.h); nothing else sees it.
add_library(weblayer STATIC src/platform/web/webgl.cpp src/platform/web/websdl.cpp)
target_include_directories(weblayer PUBLIC src/platform/web)
target_link_libraries(weblayer PUBLIC world sdl_headers)
target_compile_options(render PRIVATE -include webgl.h)
target_link_libraries(render PRIVATE weblayer)
target_compile_options(flyover PRIVATE -include websdl.h)
target_link_libraries(flyover PRIVATE weblayer)

set_target_properties(flyover PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${FLYOVER_PAGE_DIR})
set_property(TARGET flyover APPEND PROPERTY LINK_DEPENDS
             ${PROJECT_SOURCE_DIR}/src/platform/web/library.js)

# The rest of the page: the markup, its script and style, the app's
# manifest, its icon and the icon drawn at the sizes an installed app needs.
# Then the service worker, which lists them all and names its cache after
# their contents.
set(web ${PROJECT_SOURCE_DIR}/src/platform/web)
set(icon ${PROJECT_SOURCE_DIR}/dist/flyover.svg)
foreach(file IN ITEMS index.html page.js page.css manifest.webmanifest)
  configure_file(${web}/${file} ${FLYOVER_PAGE_DIR}/${file} COPYONLY)
endforeach()
configure_file(${icon} ${FLYOVER_PAGE_DIR}/flyover.svg COPYONLY)
set(pagefiles index.html page.js page.css flyover.js flyover.wasm manifest.webmanifest flyover.svg)
find_program(RSVG_CONVERT rsvg-convert REQUIRED) # Debian: librsvg2-bin
foreach(size IN ITEMS 192 512)
  add_custom_command(
    OUTPUT ${FLYOVER_PAGE_DIR}/icon-${size}.png
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${FLYOVER_PAGE_DIR}/icon-${size}.png ${icon}
    DEPENDS ${icon}
    VERBATIM)
  list(APPEND pagefiles icon-${size}.png)
endforeach()
list(TRANSFORM pagefiles PREPEND ${FLYOVER_PAGE_DIR}/ OUTPUT_VARIABLE pagepaths)
add_custom_command(
  OUTPUT ${FLYOVER_PAGE_DIR}/sw.js
  COMMAND ${CMAKE_COMMAND} -DPAGE=${FLYOVER_PAGE_DIR} "-DFILES=${pagefiles}"
          -DTEMPLATE=${web}/sw.js.in -P ${PROJECT_SOURCE_DIR}/cmake/webcache.cmake
  DEPENDS flyover ${pagepaths} ${web}/sw.js.in ${PROJECT_SOURCE_DIR}/cmake/webcache.cmake
  VERBATIM)
add_custom_target(page ALL DEPENDS ${FLYOVER_PAGE_DIR}/sw.js)

# The world digest program of the web tests (tests/web), run with node: the
# world and flight this edition's rand() makes for a pinned clock.
add_executable(worlddigest tests/world/digest.cpp tests/world/pinned.cpp)
target_include_directories(worlddigest PRIVATE tests/world)
target_link_libraries(worlddigest PRIVATE anim world glibcrand)
# One file, the WebAssembly inside it: newer node would fetch() a separate one.
target_link_options(worlddigest PRIVATE -sENVIRONMENT=node -sEXIT_RUNTIME=1 -sSINGLE_FILE=1)
