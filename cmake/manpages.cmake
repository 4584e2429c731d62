# The manual pages of qelrpt-host and qelrpt-gentags, written from each
# program's --help when the program is built (cmake/manpage.cmake), so that
# they say what the program says.  Built for Linux, natively or through the
# build's emulator (qemu-i386 for 32-bit x86 where the kernel does not start
# such programs); QELRPT_MANUAL_PAGES lists them.
set(QELRPT_MANUAL_PAGES "")
if(WIN32)
  return()
endif()
find_program(QELRPT_HELP2MAN help2man)
if(NOT QELRPT_HELP2MAN)
  message(STATUS "help2man not found: no manual pages (scripts/deps.sh package installs it)")
  return()
endif()

set(summary_qelrpt-host "a stand-in for the report engine: loads the qelrpt library and calls its functions")
set(summary_qelrpt-gentags "write sample tag listings for qelrpt-host")
foreach(tool qelrpt-host qelrpt-gentags)
  set(page ${CMAKE_BINARY_DIR}/man/${tool}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${QELRPT_HELP2MAN} -DPROGRAM=$<TARGET_FILE:${tool}> -DNAME=${tool}
            "-DSUMMARY=${summary_${tool}}" -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DOUTPUT=${page}
            -P ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    DEPENDS ${tool} ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    COMMENT "Writing the manual page ${tool}.1 from ${tool} --help"
    VERBATIM)
  list(APPEND QELRPT_MANUAL_PAGES ${page})
endforeach()
add_custom_target(qelrpt_manual_pages ALL DEPENDS ${QELRPT_MANUAL_PAGES})

# Every option of each program's --help is on its page, and only those.
if(QELRPT_BUILD_TESTS)
  add_test(NAME qelrpt_manual_pages
    COMMAND ${CMAKE_COMMAND} "-DPROGRAMS=$<TARGET_FILE:qelrpt-host>;$<TARGET_FILE:qelrpt-gentags>"
            "-DPAGES=${QELRPT_MANUAL_PAGES}" -DVERSION=${PROJECT_VERSION}
            "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_manpages.cmake)
endif()
