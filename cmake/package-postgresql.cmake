# The PostgreSQL extension's own Debian package, postgresql-15-qelrpt, made
# by package-finish.cmake beside the qelrpt .deb: the C module in
# pg_config's --pkglibdir, the control file and the install scripts in its
# --sharedir's extension folder, and the documents.  It is made like the
# qelrpt .deb (dpkg-deb, SOURCE_DATE_EPOCH, root-owned, sorted), so that it
# is reproducible; the module is stripped and its debug information joins
# the symbols archive.
#
# qelrpt_make_postgresql_deb(FOLDER OUT) writes the package into FOLDER and
# sets OUT to its file name.
function(qelrpt_make_postgresql_deb folder out)
  set(name postgresql-${CPACK_QELRPT_PG_MAJOR}-qelrpt)
  set(root ${CPACK_TOPLEVEL_DIRECTORY}/postgresql-deb-root)
  file(REMOVE_RECURSE ${root})
  set(lib ${root}${CPACK_QELRPT_PG_PKGLIBDIR})
  set(extension ${root}${CPACK_QELRPT_PG_SHAREDIR}/extension)
  set(doc ${root}/usr/share/doc/${name})
  file(MAKE_DIRECTORY ${root}/DEBIAN ${lib} ${extension} ${doc})
  file(COPY ${CPACK_QELRPT_PG_EXTENSION_FILES} DESTINATION ${extension})
  file(COPY_FILE ${CPACK_QELRPT_PG_MODULE} ${lib}/qelrpt.so)
  set(debug ${QELRPT_SYMBOLS_STAGE}/postgresql-qelrpt.so.debug)
  qelrpt_run(COMMAND ${CPACK_QELRPT_OBJCOPY} --only-keep-debug ${lib}/qelrpt.so ${debug})
  qelrpt_run(COMMAND ${CPACK_QELRPT_OBJCOPY} --strip-unneeded --remove-section=.comment ${lib}/qelrpt.so)
  qelrpt_run(COMMAND ${CPACK_QELRPT_OBJCOPY} --add-gnu-debuglink=${debug} ${lib}/qelrpt.so)
  # The debug file joins the symbols archive with the modes and time of the
  # others, whatever the umask.
  qelrpt_run(COMMAND chmod 644 ${debug})
  qelrpt_run(COMMAND touch -d @${QELRPT_EPOCH} ${debug})
  file(COPY ${QELRPT_STAGE}/share/doc/qelrpt/copyright DESTINATION ${doc})
  set(ENV{SOURCE_DATE_EPOCH} ${QELRPT_EPOCH})
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/postgresql-changelog
    "qelrpt (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${CPACK_PACKAGE_VERSION}.\n\n"
    " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
  qelrpt_run(COMMAND gzip -9nc ${CPACK_TOPLEVEL_DIRECTORY}/postgresql-changelog OUTPUT_FILE ${doc}/changelog.gz)
  qelrpt_postgresql_control(${root} ${name})
  qelrpt_run(COMMAND chmod -R u+w,go-w,a+rX ${root})
  qelrpt_run(COMMAND chmod a-x ${lib}/qelrpt.so)
  qelrpt_run(COMMAND find ${root} -exec touch -h -d @${QELRPT_EPOCH} {} +)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(file ${name}_${CPACK_PACKAGE_VERSION}_${arch}.deb)
  file(REMOVE ${folder}/${file})
  qelrpt_run(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QELRPT_EPOCH}
    dpkg-deb --root-owner-group -Zxz --build ${root} ${folder}/${file})
  set(${out} ${file} PARENT_SCOPE)
endfunction()

# DEBIAN/md5sums and DEBIAN/control of the package staged in `root`.
function(qelrpt_postgresql_control root name)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/usr/*)
  list(SORT files)
  set(md5sums "")
  set(kib 0)
  foreach(f ${files})
    file(MD5 ${root}/${f} md5)
    file(SIZE ${root}/${f} size)
    math(EXPR kib "${kib} + (${size} + 1023) / 1024")
    string(APPEND md5sums "${md5}  ${f}\n")
  endforeach()
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(WRITE ${root}/DEBIAN/md5sums "${md5sums}")
  file(WRITE ${root}/DEBIAN/control
    "Package: ${name}\n"
    "Source: qelrpt\n"
    "Version: ${CPACK_PACKAGE_VERSION}\n"
    "Architecture: ${arch}\n"
    "Maintainer: ${CPACK_DEBIAN_PACKAGE_MAINTAINER}\n"
    "Installed-Size: ${kib}\n"
    "Depends: postgresql-${CPACK_QELRPT_PG_MAJOR}, ${CPACK_DEBIAN_PACKAGE_DEPENDS}\n"
    "Section: database\n"
    "Priority: optional\n"
    "Description: QEL formula functions for tag listings in PostgreSQL ${CPACK_QELRPT_PG_MAJOR}\n"
    " The extension qelrpt (CREATE EXTENSION qelrpt) adds the formula\n"
    " functions of the qelrpt report plug-in as SQL functions, with the\n"
    " report's answers: hierarchy headers and indented names, names without\n"
    " their leaf, a number footprint, alarm and log flags and wildcard\n"
    " matching.  The functions are immutable and parallel safe.\n"
    "${CPACK_QELRPT_FUNCTIONS_DESCRIBED}\n")
endfunction()
