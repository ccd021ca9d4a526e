# SPDX-License-Identifier: MIT
# Writes the web page's service worker (sw.js) from its template, with the
# list of the page's files and a name for its cache made from their
# contents: every build that changes a file gets a cache of its own.
# Run by the web build: cmake -DPAGE=dir -DFILES=a;b -DTEMPLATE=sw.js.in -P webcache.cmake
set(contents "")
set(list "")
foreach(file IN LISTS FILES)
  file(SHA256 ${PAGE}/${file} hash)
  string(APPEND contents "${file} ${hash}\n")
  list(APPEND list "'${file}'")
endforeach()
string(SHA256 FLYOVER_PAGE_HASH "${contents}")
string(SUBSTRING ${FLYOVER_PAGE_HASH} 0 16 FLYOVER_PAGE_HASH)
list(JOIN list ", " FLYOVER_PAGE_LIST)
configure_file(${TEMPLATE} ${PAGE}/sw.js @ONLY)
