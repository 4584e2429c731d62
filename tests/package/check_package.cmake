# Builds the packages of a build tree, unpacks each into an empty folder and
# runs `qelrpt-host list` from there (through the emulator for Windows
# programs): the packaged host must find the packaged plug-in beside it and
# list all seven functions.
#
# cmake -DBUILD_DIR=... -DCPACK=... -DGENERATORS="TGZ;DEB" -DHOST=qelrpt-host
#       [-DEMULATOR=wine] [-DRUN=OFF] -P check_package.cmake
#
# With RUN=OFF (a machine that cannot start the build's programs) the
# packages are built, unpacked and their contents checked, but not run.
set(definitions
  "String QELIndentTagHier( String, String )"
  "String QELIndentTagName( String )"
  "String QELRemoveTagName( String )"
  "String QELNumberFootPrint( Number )"
  "Boolean QELAlarmFlagSet( Number )"
  "Boolean QELLogFlagSet( Number )"
  "Boolean QELPatternMatch( String, String )")

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

  set(dir ${BUILD_DIR}/package-check/${generator})
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir})
  if(generator STREQUAL "DEB")
    # A .deb is an ar archive whose data.tar.* holds the files.
    execute_process(COMMAND ar x ${package} WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc)
    file(GLOB data ${dir}/data.tar.*)
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${data} WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc2)
    set(root ${dir}/opt/qelrpt)
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${package} WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc)
    set(root ${dir})
  endif()
  foreach(f ${HOST} include/qelrpt.h README.md LICENSE INSTALL.txt)
    if(NOT EXISTS ${root}/${f})
      message(FATAL_ERROR "${package} lacks ${f}")
    endif()
  endforeach()

  get_filename_component(name ${package} NAME)
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
  message(STATUS "${name}: unpacked, qelrpt-host lists the seven functions")
endforeach()
