# Run by cpack once it has installed the files of a package into its staging
# folder, before it packs them:
# - moves each binary's debug information into <binary>.debug (kept for the
#   symbols archive), strips the binary and links it to that file through
#   .gnu_debuglink;
# - lays the Debian package's files out under /usr the Debian way;
# - gives every file the same modes and time wherever it was built.
include(${CMAKE_CURRENT_LIST_DIR}/package-common.cmake)

file(REMOVE_RECURSE ${QELRPT_SYMBOLS_STAGE})
file(MAKE_DIRECTORY ${QELRPT_SYMBOLS_STAGE})

# Splits one binary: its debug information into the symbols folder, the
# binary stripped (of its local symbols too, but not of the exports).
# objcopy keeps a Windows image's header time (none) only when told to
# preserve dates; otherwise it would write the current time.
function(qelrpt_split_debug binary)
  get_filename_component(name ${binary} NAME)
  set(debug ${QELRPT_SYMBOLS_STAGE}/${name}.debug)
  if(name MATCHES "\\.so$")
    set(strip --strip-unneeded)
  else()
    set(strip --strip-all)
  endif()
  qelrpt_run(COMMAND ${CPACK_QELRPT_OBJCOPY} --preserve-dates --only-keep-debug ${binary} ${debug})
  qelrpt_run(COMMAND ${CPACK_QELRPT_OBJCOPY} --preserve-dates ${strip} --remove-section=.comment ${binary})
  qelrpt_run(COMMAND ${CPACK_QELRPT_OBJCOPY} --preserve-dates --add-gnu-debuglink=${debug} ${binary})
endfunction()

file(GLOB_RECURSE staged LIST_DIRECTORIES false ${QELRPT_STAGE}/*)
foreach(f ${staged})
  file(READ ${f} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46" OR magic MATCHES "^4d5a")
    qelrpt_split_debug(${f})
  endif()
endforeach()

# The Debian package: the plug-in, qelrpt-host and the SQLite extension in
# the package's private folder /usr/lib/qelrpt (qelrpt-host loads the library beside the program
# it was started as, the link resolved), qelrpt-host on the PATH with its
# manual page, the documents (but INSTALL.txt) with the copyright file and a
# Debian changelog.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(private ${QELRPT_STAGE}/lib/qelrpt)
  set(doc ${QELRPT_STAGE}/share/doc/qelrpt)
  file(MAKE_DIRECTORY ${private} ${QELRPT_STAGE}/bin ${doc})
  foreach(f libqelrpt.so qelrpt-host libqelrpt_sqlite.so)
    if(EXISTS ${QELRPT_STAGE}/${f})
      file(RENAME ${QELRPT_STAGE}/${f} ${private}/${f})
    endif()
  endforeach()
  file(CREATE_LINK ../lib/qelrpt/qelrpt-host ${QELRPT_STAGE}/bin/qelrpt-host SYMBOLIC)
  foreach(f README.md CHANGELOG.md)
    file(RENAME ${QELRPT_STAGE}/${f} ${doc}/${f})
  endforeach()
  # How to unpack an archive and run qelrpt-host from it: not for the .deb.
  file(REMOVE ${QELRPT_STAGE}/INSTALL.txt)

  file(READ ${QELRPT_STAGE}/LICENSE license)
  file(REMOVE ${QELRPT_STAGE}/LICENSE)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${license}")
  set(holder "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "\n+$" "" license "${license}")
  string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
  string(REPLACE "\n" "\n " license "${license}")
  file(WRITE ${doc}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: qelrpt\n\nFiles: *\nCopyright: ${holder}\nLicense: MIT\n ${license}\n")

  set(ENV{SOURCE_DATE_EPOCH} ${QELRPT_EPOCH})
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/changelog
    "qelrpt (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${CPACK_PACKAGE_VERSION}; the changes are listed in\n"
    "    /usr/share/doc/qelrpt/CHANGELOG.md.\n\n"
    " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
  qelrpt_run(COMMAND gzip -9nc ${CPACK_TOPLEVEL_DIRECTORY}/changelog OUTPUT_FILE ${doc}/changelog.gz)

  file(MAKE_DIRECTORY ${QELRPT_STAGE}/share/man/man1)
  qelrpt_run(COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/qelrpt-host.1
    OUTPUT_FILE ${QELRPT_STAGE}/share/man/man1/qelrpt-host.1.gz)
endif()

qelrpt_run(COMMAND chmod -R u+w,go-w,a+rX ${QELRPT_STAGE} ${QELRPT_SYMBOLS_STAGE})
qelrpt_run(COMMAND chmod -R a-x ${QELRPT_SYMBOLS_STAGE})
qelrpt_run(COMMAND chmod a+x ${QELRPT_SYMBOLS_STAGE})
foreach(tree ${QELRPT_STAGE} ${QELRPT_SYMBOLS_STAGE})
  qelrpt_run(COMMAND find ${tree} -exec touch -h -d @${QELRPT_EPOCH} {} +)
endforeach()
