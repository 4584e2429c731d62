# Run by cpack once it has installed the files of a package into its staging
# folder, before it packs them:
# - moves each binary's debug information into <binary>.debug (kept for the
#   symbols archive), strips the binary and links it to that file through
#   .gnu_debuglink;
# - lays an archive's files out for unpacking and running in place, and
#   completes the Debian package's tree under /usr;
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
  if(IS_SYMLINK ${f})
    continue()
  endif()
  file(READ ${f} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46" OR magic MATCHES "^4d5a")
    qelrpt_split_debug(${f})
  endif()
endforeach()

# Moves every entry of folder `from` into folder `to`.
function(qelrpt_move_entries from to)
  file(MAKE_DIRECTORY ${to})
  file(GLOB entries RELATIVE ${from} ${from}/*)
  foreach(e ${entries})
    file(RENAME ${from}/${e} ${to}/${e})
  endforeach()
  file(REMOVE_RECURSE ${from})
endfunction()

set(doc ${QELRPT_STAGE}/share/doc/qelrpt)
if(CPACK_GENERATOR STREQUAL "DEB")
  # The Debian package keeps the installed tree under /usr; the manual pages
  # and the Debian changelog compressed, the licence as the copyright file.
  # INSTALL.txt tells how to unpack an archive and run qelrpt-host from it:
  # not for the .deb.
  file(REMOVE ${doc}/INSTALL.txt)
  file(READ ${doc}/LICENSE license)
  file(REMOVE ${doc}/LICENSE)
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

  # Where lintian's reading of the binaries falls short, with the reason.
  file(MAKE_DIRECTORY ${QELRPT_STAGE}/share/lintian/overrides)
  file(COPY_FILE ${CPACK_QELRPT_SOURCE_DIR}/cmake/debian/lintian-overrides
    ${QELRPT_STAGE}/share/lintian/overrides/qelrpt)

  file(GLOB pages ${QELRPT_STAGE}/share/man/man1/*.1)
  foreach(page ${pages})
    qelrpt_run(COMMAND gzip -9nf ${page})
  endforeach()
else()
  # An archive: the binaries side by side at the top (the host finds the
  # library beside it), then include/, man/ and the documents; the tar.gz
  # in one folder, qelrpt-<version>/, the zip flat (Windows' "Extract all"
  # makes the folder).
  if(CPACK_GENERATOR STREQUAL "TGZ")
    set(top ${CPACK_TOPLEVEL_DIRECTORY}/qelrpt-${CPACK_PACKAGE_VERSION})
  else()
    set(top ${CPACK_TOPLEVEL_DIRECTORY}/flat)
  endif()
  file(REMOVE_RECURSE ${top})
  file(MAKE_DIRECTORY ${top})
  file(REMOVE ${QELRPT_STAGE}/bin/qelrpt-host)
  foreach(folder lib/qelrpt bin)
    if(IS_DIRECTORY ${QELRPT_STAGE}/${folder})
      qelrpt_move_entries(${QELRPT_STAGE}/${folder} ${top})
    endif()
  endforeach()
  if(IS_DIRECTORY ${QELRPT_STAGE}/include)
    file(RENAME ${QELRPT_STAGE}/include ${top}/include)
  endif()
  if(IS_DIRECTORY ${QELRPT_STAGE}/share/man)
    file(RENAME ${QELRPT_STAGE}/share/man ${top}/man)
  endif()
  qelrpt_move_entries(${doc} ${top})
  file(REMOVE_RECURSE ${QELRPT_STAGE})
  file(MAKE_DIRECTORY ${QELRPT_STAGE})
  if(CPACK_GENERATOR STREQUAL "TGZ")
    file(RENAME ${top} ${QELRPT_STAGE}/qelrpt-${CPACK_PACKAGE_VERSION})
  else()
    qelrpt_move_entries(${top} ${QELRPT_STAGE})
  endif()
endif()

qelrpt_run(COMMAND chmod -R u+w,go-w,a+rX ${QELRPT_STAGE} ${QELRPT_SYMBOLS_STAGE})
qelrpt_run(COMMAND chmod -R a-x ${QELRPT_SYMBOLS_STAGE})
qelrpt_run(COMMAND chmod a+x ${QELRPT_SYMBOLS_STAGE})
foreach(tree ${QELRPT_STAGE} ${QELRPT_SYMBOLS_STAGE})
  qelrpt_run(COMMAND find ${tree} -exec touch -h -d @${QELRPT_EPOCH} {} +)
endforeach()
