# Builds the packages of a build tree and checks each as a user gets it:
# - unpacked into an empty folder it holds the expected files, its binaries
#   stripped and linked to their debug files by .gnu_debuglink, its archive
#   entries owned by root (0/0);
# - with the symbols archive unpacked beside the binaries, gdb resolves an
#   internal function of the plug-in to its source line (and does not
#   without it);
# - the package folder's SHA256SUMS verifies with `sha256sum -c` and lists
#   every package and the symbols archive;
# - the .deb passes lintian without errors, warnings or information notes,
#   and its binaries are those of the tar.gz (one symbols archive serves
#   both);
# - `qelrpt-host list` run from the unpacked package finds the packaged
#   plug-in beside it and lists all the functions (through the emulator
#   for Windows programs);
# - the SQLite extension, where the build has one (SQLITE_EXTENSION, its
#   file name), is packaged stripped and answers in the sqlite3 shell;
# - the PostgreSQL extension's package, where the build makes one, passes
#   lintian, and a server of its own answers CREATE EXTENSION with its
#   files;
# - the tar.gz unpacks into one folder, qelrpt-<version>/; the archives
#   carry the README.md of the sources (without its build commands), docs/, the sample tags,
#   qelrpt-gentags and (Linux) both manual pages; INSTALL.txt has no
#   padding inside its sentences, and on Linux its eval example, run as
#   written by sh in the unpacked folder, prints the result it promises;
# - a Windows package holds the COM library (COM_LIBRARY, its file name),
#   stripped; with COM_ONLY (win64) the zip holds nothing but the COM
#   library, LICENSE and INSTALL.txt;
#
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DVERSION=1.0.0 -DCPACK=...
#       -DGENERATORS="TGZ;DEB" -DHOST=qelrpt-host -DLIBRARY=libqelrpt.so
#       -DGENTAGS=qelrpt-gentags -DOBJDUMP=objdump -DSYMBOLS=<symbols archive name>
#       [-DCOM_LIBRARY=qelrptcom.dll] [-DCOM_ONLY=ON]
#       [-DEMULATOR=wine] [-DRUN=OFF] -P check_package.cmake
#
# With RUN=OFF (a machine that cannot start the build's programs) the
# packages are built, unpacked and their contents checked, but not run.
cmake_minimum_required(VERSION 3.25)
set(definitions
  "String QELIndentTagHier( String, String )"
  "String QELIndentTagName( String )"
  "String QELRemoveTagName( String )"
  "String QELNumberFootPrint( Number )"
  "Boolean QELAlarmFlagSet( Number )"
  "Boolean QELLogFlagSet( Number )"
  "Boolean QELPatternMatch( String, String )")
set(archive_files ${HOST} ${LIBRARY} ${COM_LIBRARY} ${GENTAGS} include/qelrpt.h include/qelrpt_formulas.h README.md LICENSE CHANGELOG.md INSTALL.txt
  docs/engine.md examples/tags.csv)
set(man_files man/man1/qelrpt-host.1 man/man1/qelrpt-gentags.1)
set(deb_files usr/lib/qelrpt/${HOST} usr/lib/qelrpt/${LIBRARY} usr/bin/${HOST} usr/bin/${GENTAGS}
  usr/include/qelrpt.h usr/include/qelrpt_formulas.h usr/share/doc/qelrpt/README.md usr/share/doc/qelrpt/CHANGELOG.md
  usr/share/doc/qelrpt/copyright usr/share/doc/qelrpt/changelog.gz usr/share/doc/qelrpt/docs/engine.md
  usr/share/doc/qelrpt/examples/tags.csv
  usr/share/man/man1/qelrpt-host.1.gz usr/share/man/man1/qelrpt-gentags.1.gz)
# An internal function of the plug-in, named only in its debug information.
set(internal_function qelrpt::WildcardMatch)
set(packages_dir ${BUILD_DIR}/packages)
# lintian leaves files in TMPDIR: a folder of the build tree for it.
set(lintian ${CMAKE_COMMAND} -E env TMPDIR=${BUILD_DIR}/package-check/lintian lintian)
file(REMOVE_RECURSE ${BUILD_DIR}/package-check/lintian)
file(MAKE_DIRECTORY ${BUILD_DIR}/package-check/lintian)
find_program(GDB gdb REQUIRED)

function(run_checked what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}${err}")
  endif()
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

function(unpack package dir)
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir})
  if(package MATCHES "\\.deb$")
    run_checked("dpkg-deb -x ${package}" dpkg-deb -x ${package} ${dir})
  else()
    run_checked("unpacking ${package}" ${CMAKE_COMMAND} -E tar xf ${package} WORKING_DIRECTORY ${dir})
  endif()
endfunction()

# Every entry of a tar.gz or .deb belongs to root.
function(check_owners package)
  if(package MATCHES "\\.deb$")
    run_checked("dpkg-deb -c" dpkg-deb -c ${package})
  else()
    run_checked("tar tv" tar --list --verbose --numeric-owner --file=${package})
  endif()
  string(REGEX MATCHALL "[^\n]+" entries "${output}")
  foreach(e ${entries})
    if(NOT e MATCHES "^[-dlrwx]+ (0/0|root/root) ")
      message(FATAL_ERROR "${package}: an entry not owned by root: ${e}")
    endif()
  endforeach()
endfunction()

# A packaged binary holds no debug information but names its debug file.
function(check_stripped binary)
  run_checked("objdump -h ${binary}" ${OBJDUMP} -h ${binary})
  if(output MATCHES "\\.debug_info" OR NOT output MATCHES "\\.gnu_debuglink")
    message(FATAL_ERROR "${binary} is not stripped with a .gnu_debuglink:\n${output}")
  endif()
endfunction()

# gdb finds the plug-in's internal function only with the symbols archive
# unpacked beside it.
function(check_symbols library)
  get_filename_component(folder ${library} DIRECTORY)
  set(gdb_args -batch -nx -ex "info line ${internal_function}" ${library})
  execute_process(COMMAND ${GDB} ${gdb_args} OUTPUT_VARIABLE without ERROR_VARIABLE without)
  if(without MATCHES "Line [0-9]+ of")
    message(FATAL_ERROR "gdb resolves ${internal_function} without the symbols:\n${without}")
  endif()
  file(GLOB symbols ${packages_dir}/${SYMBOLS}.*)
  if(NOT symbols)
    message(FATAL_ERROR "no symbols archive ${SYMBOLS} in ${packages_dir}")
  endif()
  run_checked("unpacking ${symbols}" ${CMAKE_COMMAND} -E tar xf ${symbols} WORKING_DIRECTORY ${folder})
  execute_process(COMMAND ${GDB} ${gdb_args} OUTPUT_VARIABLE with ERROR_VARIABLE with)
  if(NOT with MATCHES "Line [0-9]+ of \"[^\"]*/src/functions/wildcard\\.cpp\"")
    message(FATAL_ERROR "gdb does not resolve ${internal_function} from ${symbols}:\n${with}")
  endif()
endfunction()

# A tar.gz unpacks into the one folder qelrpt-<version>/.
function(check_one_folder package dir)
  file(GLOB entries RELATIVE ${dir} ${dir}/*)
  if(NOT entries STREQUAL "qelrpt-${VERSION}")
    message(FATAL_ERROR "${package} does not unpack into qelrpt-${VERSION}/ alone: ${entries}")
  endif()
endfunction()

# The packaged README is the top-level README.md of the sources without
# the commands that build a checkout: from the first sentence after them on,
# the same text.
function(check_readme readme)
  file(READ ${readme} packaged)
  file(READ ${SOURCE_DIR}/README.md source)
  string(FIND "${source}" "\n`qelrpt` is " from)
  string(SUBSTRING "${source}" ${from} -1 body)
  string(FIND "${packaged}" "${body}" at)
  if(from EQUAL -1 OR at EQUAL -1 OR packaged MATCHES "scripts/run-")
    message(FATAL_ERROR "${readme} is not the README.md of the sources without its build commands")
  endif()
endfunction()

# INSTALL.txt: no run of blanks inside a sentence (a line that starts with a
# blank is a command, an indented item or a continuation), and no
# placeholder left unfilled.
function(check_install_text file)
  file(STRINGS ${file} lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "^[^ ].*[^ ]  +[^ ]")
      message(FATAL_ERROR "${file}: blanks padded inside a sentence: '${line}'")
    endif()
    if(line MATCHES "@[A-Z_]+@")
      message(FATAL_ERROR "${file}: an unfilled placeholder: '${line}'")
    endif()
  endforeach()
endfunction()

# The eval example of the Linux INSTALL.txt, run by sh as a user would type
# it, prints what the text says: four blanks and E.
function(check_install_example root)
  file(STRINGS ${root}/INSTALL.txt lines REGEX "^  \\./qelrpt-host eval ")
  list(LENGTH lines n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "INSTALL.txt should give one eval example, found: ${lines}")
  endif()
  execute_process(COMMAND sh -c "${lines}" WORKING_DIRECTORY ${root}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "    E\n")
    message(FATAL_ERROR "INSTALL.txt's example '${lines}' gave (${rc}) '${out}${err}'")
  endif()
endfunction()

# The SQLite extension as packaged answers through the sqlite3 shell.
function(check_sqlite extension)
  string(REGEX REPLACE "\\.so$" "" load "${extension}")
  run_checked("sqlite3 .load ${extension}" sqlite3 -batch :memory: ".load ${load}"
              "SELECT '[' || QELIndentTagHier('A\\B\\C', 'A\\E\\F') || ']';")
  if(NOT output STREQUAL "[    E]\n")
    message(FATAL_ERROR "${extension} answers '${output}', not '[    E]'")
  endif()
endfunction()

# The package of the COM library alone (win64): exactly the library,
# LICENSE and INSTALL.txt, the library stripped, its symbols apart.
function(check_com_package package dir)
  file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE ${dir} ${dir}/*)
  list(SORT entries)
  set(expected INSTALL.txt LICENSE ${COM_LIBRARY})
  list(SORT expected)
  if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "${package} holds '${entries}', expected '${expected}'")
  endif()
  check_install_text(${dir}/INSTALL.txt)
  check_stripped(${dir}/${COM_LIBRARY})
  check_symbols(${dir}/${COM_LIBRARY})
  message(STATUS "${package}: ${expected}; the library stripped, its symbols apart")
endfunction()

foreach(generator ${GENERATORS})
  execute_process(COMMAND ${CPACK} -G ${generator} --config ${BUILD_DIR}/CPackConfig.cmake
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cpack -G ${generator} failed:\n${out}")
  endif()
  string(REGEX MATCH "package: ([^\n]+) generated" _ "${out}")
  set(package ${CMAKE_MATCH_1})
  if(NOT EXISTS "${package}")
    message(FATAL_ERROR "cpack -G ${generator} made no package:\n${out}")
  endif()
  get_filename_component(name ${package} NAME)
  list(APPEND names ${name})

  set(dir ${BUILD_DIR}/package-check/${generator})
  unpack(${package} ${dir})
  if(COM_ONLY)
    check_com_package(${package} ${dir})
    continue()
  endif()
  if(generator STREQUAL "DEB")
    set(expected ${deb_files})
    set(root ${dir}/usr/lib/qelrpt)
    set(top ${dir})
    set(bin ${dir}/usr/bin)
    # lintian's notes go to standard output (standard error may hold its
    # remark on running as root).
    execute_process(COMMAND ${lintian} --fail-on error,warning,info --display-info ${package}
      RESULT_VARIABLE rc OUTPUT_VARIABLE notes ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR NOT notes STREQUAL "")
      message(FATAL_ERROR "${name}: lintian (${rc}):\n${notes}${err}")
    endif()
    message(STATUS "${name}: lintian --display-info has nothing to say")
  else()
    set(expected ${archive_files})
    if(generator STREQUAL "TGZ")
      list(APPEND expected ${man_files})
      check_one_folder(${package} ${dir})
      set(root ${dir}/qelrpt-${VERSION})
    else()
      set(root ${dir})
    endif()
    set(top ${root})
    set(bin ${root})
    check_readme(${root}/README.md)
    check_install_text(${root}/INSTALL.txt)
  endif()
  foreach(f ${expected})
    if(NOT EXISTS ${top}/${f})
      message(FATAL_ERROR "${package} lacks ${f}")
    endif()
  endforeach()
  if(NOT generator STREQUAL "ZIP")
    check_owners(${package})
  endif()
  foreach(binary ${HOST} ${LIBRARY} ${COM_LIBRARY} ${SQLITE_EXTENSION})
    check_stripped(${root}/${binary})
    file(SHA256 ${root}/${binary} sum_${generator}_${binary})
  endforeach()
  check_stripped(${bin}/${GENTAGS})
  if(SQLITE_EXTENSION)
    check_sqlite(${root}/${SQLITE_EXTENSION})
  endif()
  check_symbols(${root}/${LIBRARY})

  if(DEFINED RUN AND NOT RUN)
    message(STATUS "${name}: unpacked; ${HOST} not run (this machine cannot start it)")
    continue()
  endif()
  execute_process(COMMAND ${EMULATOR} ${root}/${HOST} list WORKING_DIRECTORY ${root}
    RESULT_VARIABLE rc OUTPUT_VARIABLE listing ERROR_VARIABLE errors)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${HOST} list from ${package} exited with ${rc}:\n${listing}${errors}")
  endif()
  foreach(d ${definitions})
    string(FIND "${listing}" "${d}" at)
    if(at LESS 0)
      message(FATAL_ERROR "${HOST} list from ${package} does not show '${d}':\n${listing}")
    endif()
  endforeach()
  if(generator STREQUAL "TGZ" AND NOT EMULATOR)
    check_install_example(${root})
  endif()
  message(STATUS "${name}: unpacked, qelrpt-host lists the functions")
endforeach()

if("TGZ" IN_LIST GENERATORS AND "DEB" IN_LIST GENERATORS)
  foreach(binary ${HOST} ${LIBRARY} ${SQLITE_EXTENSION})
    if(NOT sum_TGZ_${binary} STREQUAL sum_DEB_${binary})
      message(FATAL_ERROR "${binary} differs between the tar.gz and the .deb")
    endif()
  endforeach()
endif()

# The PostgreSQL extension's package (with the .deb of a build that has
# one): lintian finds no error, and with its files a server answers
# CREATE EXTENSION qelrpt and the sibling header.
file(GLOB postgresql_deb ${packages_dir}/postgresql-*-qelrpt_${VERSION}_*.deb)
if("DEB" IN_LIST GENERATORS AND postgresql_deb)
  run_checked("lintian" ${lintian} --fail-on error ${postgresql_deb})
  check_owners(${postgresql_deb})
  set(dir ${BUILD_DIR}/package-check/postgresql)
  unpack(${postgresql_deb} ${dir})
  file(GLOB_RECURSE module ${dir}/usr/lib/postgresql/*/qelrpt.so)
  file(GLOB_RECURSE extension_files ${dir}/usr/share/postgresql/*/extension/qelrpt*)
  check_stripped(${module})
  run_checked("CREATE EXTENSION from ${postgresql_deb}"
              ${CMAKE_CURRENT_LIST_DIR}/../sql/with-postgresql.sh --own ${module} ${extension_files} --
              psql -X -q -At -v ON_ERROR_STOP=1 -c "CREATE EXTENSION qelrpt"
              -c "SELECT '[' || QELIndentTagHier('A\\B\\C', 'A\\E\\F') || ']'")
  if(NOT output MATCHES "\\[    E\\]")
    message(FATAL_ERROR "the extension of ${postgresql_deb} answers:\n${output}")
  endif()
  get_filename_component(name ${postgresql_deb} NAME)
  list(APPEND names ${name})
  message(STATUS "${name}: lintian reports no errors; CREATE EXTENSION qelrpt answers")
endif()

# The checksums: every package and the symbols archive listed, all correct.
run_checked("sha256sum -c SHA256SUMS" sha256sum --strict -c SHA256SUMS WORKING_DIRECTORY ${packages_dir})
file(GLOB symbols RELATIVE ${packages_dir} ${packages_dir}/${SYMBOLS}.*)
foreach(name ${names} ${symbols})
  if(NOT output MATCHES "(^|\n)${name}: OK")
    message(FATAL_ERROR "SHA256SUMS does not list ${name}:\n${output}")
  endif()
endforeach()
message(STATUS "SHA256SUMS verifies:\n${output}")
