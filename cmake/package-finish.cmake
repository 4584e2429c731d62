# Run by cpack after it has made a package: makes the package again from the
# prepared staging folder so that the same sources give the same bytes
# (entries in name order, every time SOURCE_DATE_EPOCH, owner and group
# root, no build paths), then writes the symbols archive beside it and the
# folder's SHA256SUMS.
include(${CMAKE_CURRENT_LIST_DIR}/package-common.cmake)

# The names of the entries under a folder, sorted, relative to it.
function(qelrpt_entries dir out)
  file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE ${dir} ${dir}/*)
  list(SORT entries)
  set(${out} ${entries} PARENT_SCOPE)
endfunction()

function(qelrpt_make_tar dir archive)
  file(GLOB top RELATIVE ${dir} ${dir}/*)
  list(SORT top)
  file(REMOVE ${archive})
  qelrpt_run(COMMAND tar --create --file=${archive} --use-compress-program=gzip\ -9n --format=gnu
    --sort=name --owner=0 --group=0 --numeric-owner --mtime=@${QELRPT_EPOCH} -C ${dir} ${top})
endfunction()

# Info-ZIP with -X stores no owner and no extra times; the times it stores
# are local times, so they are taken in UTC.
function(qelrpt_make_zip dir archive)
  qelrpt_entries(${dir} entries)
  string(REPLACE ";" "\n" names "${entries}")
  file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/zip-entries "${names}\n")
  file(REMOVE ${archive})
  qelrpt_run(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -9 -q ${archive} -@
    WORKING_DIRECTORY ${dir} INPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/zip-entries)
endfunction()

# The Debian package, made by dpkg-deb (which sorts the entries and takes
# its times from SOURCE_DATE_EPOCH) from a copy of the staging folder with
# the control file and the md5sums.
function(qelrpt_make_deb prefix archive)
  set(root ${CPACK_TOPLEVEL_DIRECTORY}/deb-root)
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/DEBIAN)
  qelrpt_run(COMMAND cp -a ${QELRPT_STAGE} ${root}${prefix})
  qelrpt_entries(${root}${prefix} entries)
  set(md5sums "")
  set(kib 0)
  foreach(e ${entries})
    set(f ${root}${prefix}/${e})
    if(IS_SYMLINK ${f})
      math(EXPR kib "${kib} + 1")
      continue()
    endif()
    file(MD5 ${f} md5)
    file(SIZE ${f} size)
    math(EXPR kib "${kib} + (${size} + 1023) / 1024")
    string(REGEX REPLACE "^/" "" relative "${prefix}/${e}")
    string(APPEND md5sums "${md5}  ${relative}\n")
  endforeach()
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(WRITE ${root}/DEBIAN/md5sums "${md5sums}")
  file(WRITE ${root}/DEBIAN/control
    "Package: ${CPACK_PACKAGE_NAME}\n"
    "Version: ${CPACK_PACKAGE_VERSION}\n"
    "Architecture: ${arch}\n"
    "Maintainer: ${CPACK_DEBIAN_PACKAGE_MAINTAINER}\n"
    "Installed-Size: ${kib}\n"
    "Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}\n"
    "Section: ${CPACK_DEBIAN_PACKAGE_SECTION}\n"
    "Priority: optional\n"
    "Description: ${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n"
    " A plug-in for a report engine that adds formula functions over tag\n"
    " listings: hierarchy headers and indented names, names without their\n"
    " leaf, a number footprint, alarm and log flags and wildcard matching.\n"
    "${CPACK_QELRPT_FUNCTIONS_DESCRIBED}\n"
    " The package also holds qelrpt-host, a stand-in for the report engine\n"
    " that loads the plug-in and evaluates formulas with it, and the same\n"
    " functions as an SQLite extension, /usr/lib/qelrpt/libqelrpt_sqlite.so.\n")
  qelrpt_run(COMMAND chmod -R u+w,go-w,a+rX ${root})
  qelrpt_run(COMMAND find ${root} -exec touch -h -d @${QELRPT_EPOCH} {} +)
  file(REMOVE ${archive})
  qelrpt_run(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QELRPT_EPOCH}
    dpkg-deb --root-owner-group -Zxz --build ${root} ${archive})
endfunction()

# cpack calls this before it copies the packages it made to the package
# folder: their checksums are taken here, from the files it will copy.
set(folder ${CPACK_PACKAGE_DIRECTORY})
set(made "")
foreach(package ${CPACK_PACKAGE_FILES})
  if(package MATCHES "\\.tar\\.gz$")
    qelrpt_make_tar(${QELRPT_STAGE} ${package})
  elseif(package MATCHES "\\.zip$")
    qelrpt_make_zip(${QELRPT_STAGE} ${package})
  elseif(package MATCHES "\\.deb$")
    qelrpt_make_deb(${CPACK_PACKAGING_INSTALL_PREFIX} ${package})
  else()
    message(FATAL_ERROR "no reproducible form for ${package}")
  endif()
  get_filename_component(name ${package} NAME)
  list(APPEND made ${name})
  set(path_${name} ${package})
endforeach()

# With the qelrpt .deb, the PostgreSQL extension's package (linux preset).
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_QELRPT_PG_MODULE)
  include(${CMAKE_CURRENT_LIST_DIR}/package-postgresql.cmake)
  qelrpt_make_postgresql_deb(${folder} postgresql_deb)
  list(APPEND made ${postgresql_deb})
endif()

# The symbols archive: the same for every package of the build, since each
# packs the same binaries.
if(CPACK_QELRPT_SYMBOLS MATCHES "-win[0-9]+-symbols$")
  qelrpt_make_zip(${QELRPT_SYMBOLS_STAGE} ${folder}/${CPACK_QELRPT_SYMBOLS}.zip)
else()
  qelrpt_make_tar(${QELRPT_SYMBOLS_STAGE} ${folder}/${CPACK_QELRPT_SYMBOLS}.tar.gz)
endif()

# SHA256SUMS over the package folder's files of this version (packages of
# other versions left there are not listed), as sha256sum writes it.
string(REPLACE "." "\\." version "${CPACK_PACKAGE_VERSION}")
file(GLOB files LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
list(FILTER files INCLUDE REGEX "^${CPACK_PACKAGE_NAME}[-_]${version}[-_]")
list(APPEND files ${made})
list(REMOVE_DUPLICATES files)
list(REMOVE_ITEM files SHA256SUMS)
list(SORT files)
set(sums "")
foreach(f ${files})
  if(DEFINED path_${f})
    file(SHA256 ${path_${f}} sum)
  else()
    file(SHA256 ${folder}/${f} sum)
  endif()
  string(APPEND sums "${sum}  ${f}\n")
endforeach()
file(WRITE ${folder}/SHA256SUMS "${sums}")
