# Checks each tool's help and manual page:
# - every line of the top-level help and of each command's help fits 80
#   columns (counted in characters), and the top-level help's footer (the
#   paragraph from "Exit status:") is in no command's help;
# - the page documents every option the helps offer, and none they do not;
# - the page carries the version and a date.
#
# cmake -DPROGRAMS="path/qelrpt-host;path/qelrpt-gentags"
#       -DPAGES="man/qelrpt-host.1;man/qelrpt-gentags.1" -DVERSION=1.0.0
#       [-DEMULATOR=qemu-i386] -P check_manpages.cmake
cmake_minimum_required(VERSION 3.25)

function(run_program out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " shown "${ARGN}")
    message(FATAL_ERROR "${shown} failed (${rc}):\n${text}${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The options named in the item lines of a help text (`  -h,--help  ...`).
function(help_options help out)
  set(found "")
  string(REGEX MATCHALL "\n  -[^\n]*" items "\n${help}")
  foreach(item ${items})
    string(REGEX REPLACE "^\n  " "" item "${item}")
    string(REGEX REPLACE "  .*$" "" item "${item}")
    string(REGEX MATCHALL "(^|,)--?[A-Za-z][A-Za-z0-9-]*" names "${item}")
    foreach(n ${names})
      string(REPLACE "," "" n "${n}")
      list(APPEND found ${n})
    endforeach()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Every line of a help fits 80 columns.
function(check_width what help)
  string(REPLACE ";" "," help "${help}")  # as wide, and no list separator
  string(REPLACE "\n" ";" lines "${help}")
  foreach(line IN LISTS lines)
    # One column per UTF-8 character: the continuation bytes do not count.
    string(ASCII 128 first_continuation)
    string(ASCII 191 last_continuation)
    string(REGEX REPLACE "[${first_continuation}-${last_continuation}]" "" narrow "${line}")
    string(LENGTH "${narrow}" columns)
    if(columns GREATER 80)
      message(FATAL_ERROR "${what}: a line of ${columns} columns:\n${line}")
    endif()
  endforeach()
endfunction()

list(LENGTH PROGRAMS count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET PROGRAMS ${i} program)
  list(GET PAGES ${i} page)
  get_filename_component(name ${program} NAME_WE)

  run_program(top ${EMULATOR} ${program} --help)
  check_width("${name} --help" "${top}")
  help_options("${top}" options)
  if(top MATCHES "\nSubcommands:\n(( +[^\n]*\n)+)")
    string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "\n${CMAKE_MATCH_1}")
    foreach(command ${commands})
      string(STRIP "${command}" command)
      run_program(help ${EMULATOR} ${program} ${command} --help)
      check_width("${name} ${command} --help" "${help}")
      if(help MATCHES "\nExit status:")
        message(FATAL_ERROR "${name} ${command} --help repeats the top-level footer:\n${help}")
      endif()
      help_options("${help}" more)
      list(APPEND options ${more})
    endforeach()
  endif()
  list(REMOVE_DUPLICATES options)
  if(NOT options MATCHES "--help" OR NOT options MATCHES "--version")
    message(FATAL_ERROR "${name}: no options found in its --help:\n${top}")
  endif()

  file(READ ${page} roff)
  string(REPLACE "\\-" "-" text "${roff}")
  foreach(option ${options})
    if(NOT text MATCHES "\\\\fB${option}\\\\fR")
      message(FATAL_ERROR "${page} does not document ${option}, which ${name} --help offers")
    endif()
  endforeach()
  string(REGEX MATCHALL "\\\\fB--?[A-Za-z][A-Za-z0-9-]*\\\\fR" documented "${text}")
  foreach(d ${documented})
    string(REGEX REPLACE "^\\\\fB(.*)\\\\fR$" "\\1" d "${d}")
    if(NOT d IN_LIST options)
      message(FATAL_ERROR "${page} documents ${d}, which ${name} --help does not offer")
    endif()
  endforeach()
  string(TOUPPER "${name}" upper)
  if(NOT roff MATCHES "\n\\.TH \"?${upper}\"? \"?1\"? \"[A-Z][a-z]+ [0-9][0-9][0-9][0-9]\" \"${name} ${VERSION}\"")
    message(FATAL_ERROR "${page} lacks the date or the version ${VERSION} in its title line")
  endif()
  list(LENGTH options n)
  message(STATUS "${page}: the ${n} options of ${name} --help, version ${VERSION}")
endforeach()
