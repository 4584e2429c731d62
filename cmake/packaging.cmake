# Install rules and packages (CPack).
#
# `cmake --install` lays the files out as a distribution expects them
# (GNUInstallDirs; with --prefix /usr as in the .deb):
#
#   lib/qelrpt/libqelrpt.so, lib/qelrpt/qelrpt-host   the plug-in and the host
#                        side by side (the host loads the library beside the
#                        program it was started as, the link resolved)
#   lib/qelrpt/libqelrpt_sqlite.so   the SQLite extension (where built)
#   bin/qelrpt-host      a relative link to lib/qelrpt/qelrpt-host
#   bin/qelrpt-gentags
#   include/qelrpt.h, qelrpt_formulas.h (the second written from the function table)
#   share/man/man1/qelrpt-host.1, qelrpt-gentags.1   (generated from --help)
#   share/doc/qelrpt/    README.md, docs/, examples/tags.csv, CHANGELOG.md,
#                        LICENSE, INSTALL.txt
#
# On Windows the programs, qelrpt.dll and the COM library qelrptcom.dll
# share bin/, and there are no manual pages.  The 64-bit Windows build
# installs and packages the COM library alone, with LICENSE and INSTALL.txt
# (no 64-bit engine loads the C plug-in).  The packages:
#
#   win32 preset:  qelrpt-<version>-win32.zip            flat: unpacked, the
#                  qelrpt-<version>-win32-symbols.zip    files are side by side
#   win64 preset:  qelrpt-<version>-win64.zip            flat: qelrptcom.dll,
#                  qelrpt-<version>-win64-symbols.zip    LICENSE, INSTALL.txt
#   linux preset:  qelrpt-<version>-linux-x86_64.tar.gz  one folder,
#                                                        qelrpt-<version>/
#                  qelrpt_<version>_amd64.deb            the tree above, /usr
#                  (both with the SQLite extension libqelrpt_sqlite.so)
#                  postgresql-15-qelrpt_<version>_amd64.deb   the PostgreSQL
#                                        extension, where pg_config says
#                  qelrpt-<version>-linux-x86_64-symbols.tar.gz
#
# An archive holds the binaries side by side at its top, with include/,
# docs/, examples/, man/ (Linux) and the documents (package-prepare.cmake
# moves them there from the installed tree).  Each package folder also gets
# a SHA256SUMS of everything in it.  The packaged binaries are stripped;
# their debug information lies in the symbols archive, one <binary>.debug
# per binary, found by gdb through the binary's .gnu_debuglink.  The
# packages are reproducible: sorted entries, every time set to
# SOURCE_DATE_EPOCH (the commit time of the sources), owner and group root
# (see cmake/package-prepare.cmake and cmake/package-finish.cmake, which
# cpack runs before and after each package).
include(GNUInstallDirs)
set(QELRPT_PACKAGE_COM_ONLY OFF)
if(WIN32)
  set(QELRPT_PACKAGE_LIBRARY qelrpt.dll)
  set(QELRPT_PACKAGE_HOST qelrpt-host.exe)
  set(QELRPT_PACKAGE_GENTAGS qelrpt-gentags.exe)
  set(QELRPT_PACKAGE_SYSTEM win32)
  set(QELRPT_PACKAGE_GENERATORS ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QELRPT_PACKAGE_COM_ONLY ON)
    set(QELRPT_PACKAGE_SYSTEM win64)
  endif()
else()
  set(QELRPT_PACKAGE_LIBRARY libqelrpt.so)
  set(QELRPT_PACKAGE_HOST qelrpt-host)
  set(QELRPT_PACKAGE_GENTAGS qelrpt-gentags)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QELRPT_PACKAGE_SYSTEM linux-x86_64)
    set(QELRPT_PACKAGE_GENERATORS TGZ DEB)
  else()
    set(QELRPT_PACKAGE_SYSTEM linux-x86)
    set(QELRPT_PACKAGE_GENERATORS TGZ)
  endif()
endif()
if(WIN32)
  set(QELRPT_PACKAGE_SYMBOLS qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM}-symbols.zip)
else()
  set(QELRPT_PACKAGE_SYMBOLS qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM}-symbols.tar.gz)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/install-text.cmake)
# With the line ends of the platform it is read on (Notepad of older
# Windows shows a text with LF ends on one line).
if(WIN32)
  set(newlines CRLF)
else()
  set(newlines LF)
endif()
if(QELRPT_PACKAGE_COM_ONLY)
  set(install_text ${CMAKE_CURRENT_LIST_DIR}/INSTALL-com.txt.in)
else()
  set(install_text ${CMAKE_CURRENT_LIST_DIR}/INSTALL.txt.in)
endif()
configure_file(${install_text} ${CMAKE_BINARY_DIR}/INSTALL.txt @ONLY NEWLINE_STYLE ${newlines})

set(QELRPT_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/qelrpt)
if(QELRPT_PACKAGE_COM_ONLY)
  install(TARGETS qelrptcom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
elseif(WIN32)
  install(TARGETS qelrpt qelrptcom qelrpt-host qelrpt-gentags RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  set(QELRPT_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/qelrpt)
  install(TARGETS qelrpt LIBRARY DESTINATION ${QELRPT_PRIVATE_DIR} NAMELINK_SKIP)
  install(TARGETS qelrpt-host RUNTIME DESTINATION ${QELRPT_PRIVATE_DIR})
  install(TARGETS qelrpt-gentags RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The SQLite extension (linux and package-linux presets) beside the
  # plug-in; the PostgreSQL extension goes into a package of its own
  # (package-postgresql.cmake), installed where pg_config says.
  if(TARGET qelrpt_sqlite)
    install(TARGETS qelrpt_sqlite LIBRARY DESTINATION ${QELRPT_PRIVATE_DIR})
    set(CPACK_QELRPT_PG_MODULE ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/qelrpt.so)
    set(CPACK_QELRPT_PG_EXTENSION_FILES ${QELRPT_PG_EXTENSION_FILES})
    set(CPACK_QELRPT_PG_PKGLIBDIR ${QELRPT_PG_PKGLIBDIR})
    set(CPACK_QELRPT_PG_SHAREDIR ${QELRPT_PG_SHAREDIR})
    string(REGEX MATCH "[0-9]+" CPACK_QELRPT_PG_MAJOR "${QELRPT_PG_VERSION}")
  endif()
  # bin/qelrpt-host: a link to the host in the private folder, relative
  # where both folders are (so the tree can be moved), otherwise absolute.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${QELRPT_PRIVATE_DIR}")
    set(QELRPT_LINK_TARGET ${CMAKE_INSTALL_FULL_LIBDIR}/qelrpt/qelrpt-host)
  else()
    file(RELATIVE_PATH QELRPT_LINK_TARGET /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QELRPT_PRIVATE_DIR}/qelrpt-host)
  endif()
  set(QELRPT_LINK_BIN ${CMAKE_INSTALL_BINDIR})
  set(link_code [[
    set(bin "@QELRPT_LINK_BIN@")
    if(NOT IS_ABSOLUTE "${bin}")
      set(bin "${CMAKE_INSTALL_PREFIX}/${bin}")
    endif()
    set(bin "$ENV{DESTDIR}${bin}")
    file(MAKE_DIRECTORY "${bin}")
    message(STATUS "Installing: ${bin}/qelrpt-host -> @QELRPT_LINK_TARGET@")
    file(CREATE_LINK "@QELRPT_LINK_TARGET@" "${bin}/qelrpt-host" SYMBOLIC)
  ]])
  string(CONFIGURE "${link_code}" link_code @ONLY)
  install(CODE "${link_code}")
endif()
# The packages' README: the README of the sources without its lead, the
# commands that build and test a checkout, which a package does not hold.
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
string(REGEX REPLACE "^(# qelrpt\n\n)```sh\n[^`]*```\n\n([^\n]+\n)+\n"
  "\\1This package holds the built library and programs; INSTALL.txt (zip and tar.gz)\ntells how to run them.\n\n"
  package_readme "${readme}")
if(package_readme STREQUAL readme)
  message(FATAL_ERROR "README.md no longer opens with the block of commands that the packages' copy leaves out")
endif()
set(QELRPT_PACKAGE_README ${CMAKE_BINARY_DIR}/package-readme/README.md)
if(EXISTS ${QELRPT_PACKAGE_README})
  file(READ ${QELRPT_PACKAGE_README} written)
endif()
if(NOT written STREQUAL package_readme)
  file(WRITE ${QELRPT_PACKAGE_README} "${package_readme}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
if(QELRPT_PACKAGE_COM_ONLY)
  install(FILES LICENSE ${CMAKE_BINARY_DIR}/INSTALL.txt DESTINATION ${QELRPT_DOC_DIR})
else()
  install(FILES include/qelrpt.h ${QELRPT_GENERATED_INCLUDE}/qelrpt_formulas.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${QELRPT_PACKAGE_README} LICENSE CHANGELOG.md ${CMAKE_BINARY_DIR}/INSTALL.txt
          DESTINATION ${QELRPT_DOC_DIR})
  install(DIRECTORY docs/ DESTINATION ${QELRPT_DOC_DIR}/docs FILES_MATCHING PATTERN "*.md" PATTERN "notes-*" EXCLUDE)
  install(FILES examples/tags.csv DESTINATION ${QELRPT_DOC_DIR}/examples)
endif()
if(TARGET qelrpt_manual_pages)
  install(FILES ${QELRPT_MANUAL_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR ${QELRPT_PACKAGE_GENERATORS})
set(CPACK_PACKAGE_NAME qelrpt)
set(CPACK_PACKAGE_VENDOR "The qelrpt developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}: formula functions for tag listings")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Stripped after install by package-prepare.cmake, which keeps the debug
# information apart.
set(CPACK_STRIP_FILES FALSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The qelrpt developers <dev@qelrpt.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12)")
# qelrpt-host's PDF output (cmake/pdf.cmake) draws with Cairo and Pango:
# Cairo 1.16 for the document's metadata, Pango 1.44 for names wrapped
# without hyphens.
if(QELRPT_PDF)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", libcairo2 (>= 1.16), libpango-1.0-0 (>= 1.44), libpangocairo-1.0-0 (>= 1.44), libglib2.0-0")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-prepare.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-finish.cmake)
set(CPACK_QELRPT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
# The packages' descriptions name the functions of the table.
qelrpt_table_function_list(functions ", ")
qelrpt_wrap(CPACK_QELRPT_FUNCTIONS_DESCRIBED "The functions: ${functions}." 72 " ")
set(CPACK_QELRPT_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_QELRPT_SYMBOLS qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM}-symbols)
include(CPack)

# The packages as a user gets them: each unpacked into an empty folder, and
# its qelrpt-host run from there; the checksums, the symbols and, for the
# .deb, lintian.
if(QELRPT_BUILD_TESTS AND TARGET qelrpt-host AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  add_test(NAME qelrpt_packages
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DVERSION=${PROJECT_VERSION} -DCPACK=${CMAKE_CPACK_COMMAND}
            "-DGENERATORS=${QELRPT_PACKAGE_GENERATORS}" -DHOST=$<TARGET_FILE_NAME:qelrpt-host>
            -DLIBRARY=$<TARGET_FILE_NAME:qelrpt> -DGENTAGS=$<TARGET_FILE_NAME:qelrpt-gentags>
            -DOBJDUMP=${CMAKE_OBJDUMP}
            "-DSQLITE_EXTENSION=$<$<TARGET_EXISTS:qelrpt_sqlite>:libqelrpt_sqlite.so>"
            "-DCOM_LIBRARY=$<$<TARGET_EXISTS:qelrptcom>:qelrptcom.dll>" -DCOM_ONLY=${QELRPT_PACKAGE_COM_ONLY}
            -DSYMBOLS=${CPACK_QELRPT_SYMBOLS}
            "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DRUN=${QELRPT_RUNS_PROGRAMS}
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_package.cmake)
  set_tests_properties(qelrpt_packages PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=" RUN_SERIAL TRUE)

  # cmake --install gives the conventional tree.
  if(WIN32)
    set(windows ON)
  else()
    set(windows OFF)
  endif()
  add_test(NAME qelrpt_install_tree
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/install-check
            -DWINDOWS=${windows} "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DRUN=${QELRPT_RUNS_PROGRAMS}
            "-DSQLITE_EXTENSION=$<$<TARGET_EXISTS:qelrpt_sqlite>:libqelrpt_sqlite.so>"
            -DCOM_ONLY=${QELRPT_PACKAGE_COM_ONLY}
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_install.cmake)
  set_tests_properties(qelrpt_install_tree PROPERTIES ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")

  # CHANGELOG.md's newest release is this version.
  add_test(NAME qelrpt_changelog
    COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${PROJECT_SOURCE_DIR}/CHANGELOG.md -DVERSION=${PROJECT_VERSION}
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_changelog.cmake)
endif()

# The native Linux build: two builds of the committed sources from two
# clean clones, Linux and Windows, byte for byte.
if(QELRPT_BUILD_TESTS AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 8
   AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
    add_test(NAME qelrpt_reproducible
      COMMAND ${PROJECT_SOURCE_DIR}/tests/package/reproducible.sh ${PROJECT_SOURCE_DIR})
    # Four release builds: about 350 s of CPU, some 200 s on a quiet
    # 2-core machine.  Other work stretches that many times over (1,390 s
    # at a load average of 11 to 16), so the limit is an hour: it stops a
    # build that hangs, well inside the test command's own limits, and not
    # one that waits for the processor.
    set_tests_properties(qelrpt_reproducible PROPERTIES RUN_SERIAL TRUE TIMEOUT 3600)
  endif()
endif()
