# CHANGELOG.md in the "Keep a Changelog" form, its newest release being the
# version the build is made with (the one in project(VERSION)): each release
# a "## [x.y.z] - YYYY-MM-DD" heading, newest first, under an optional
# "## [Unreleased]".
#
# cmake -DCHANGELOG=CHANGELOG.md -DVERSION=1.0.0 -P check_changelog.cmake
file(STRINGS ${CHANGELOG} headings REGEX "^## ")
set(releases "")
foreach(h ${headings})
  if(h STREQUAL "## [Unreleased]")
    if(releases)
      message(FATAL_ERROR "${CHANGELOG}: [Unreleased] below a release")
    endif()
  elseif(h MATCHES "^## \\[([0-9]+\\.[0-9]+\\.[0-9]+)\\] - [0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$")
    list(APPEND releases ${CMAKE_MATCH_1})
  else()
    message(FATAL_ERROR "${CHANGELOG}: not a release heading: '${h}'")
  endif()
endforeach()
if(NOT releases)
  message(FATAL_ERROR "${CHANGELOG} lists no release")
endif()
list(GET releases 0 newest)
if(NOT newest STREQUAL VERSION)
  message(FATAL_ERROR "${CHANGELOG}: the newest release is ${newest}, the project's version ${VERSION}")
endif()
set(previous "")
foreach(r ${releases})
  if(previous AND NOT r VERSION_LESS previous)
    message(FATAL_ERROR "${CHANGELOG}: ${r} is listed below ${previous}")
  endif()
  set(previous ${r})
endforeach()
message(STATUS "${CHANGELOG}: newest release ${newest}, as project(VERSION)")
