# Writes the manual page of one of the tools from its --help, so that the
# page cannot drift from the program: help2man turns the top-level help into
# the page, and each command's help (`PROGRAM COMMAND --help`) becomes a
# part of its COMMANDS section.  The date is that of SOURCE_DATE_EPOCH, or
# of the commit the sources come from, so that one commit gives the same
# page anywhere.
#
# cmake -DHELP2MAN=help2man -DPROGRAM=path/qelrpt-host -DNAME=qelrpt-host
#       -DSUMMARY="..." -DVERSION=1.0.0 -DSOURCE_DIR=... -DOUTPUT=qelrpt-host.1
#       [-DEMULATOR=qemu-i386] -P manpage.cmake
cmake_minimum_required(VERSION 3.25)

function(run_program out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " shown "${ARGN}")
    message(FATAL_ERROR "${shown} failed (${rc}):\n${text}${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff reads it: backslashes and dashes escaped, no line starting
# with a control character, the signs the help uses for blanks and line
# feeds and its accented letter (é) as roff's named characters (the page is
# read in any locale: groff shows a UTF-8 letter as ?? in an ASCII one).
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REPLACE "·" "\\(pc" text "${text}")
  string(REPLACE "↵" "\\[u21B5]" text "${text}")
  string(REPLACE "é" "\\['e]" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# CLI11 starts an item's description in column 31 where the item's name
# fits before it, and after two blanks otherwise.
function(split_item line name_out text_out)
  string(LENGTH "${line}" length)
  string(SUBSTRING "${line}" 0 30 head)
  string(STRIP "${head}" name)
  if(length GREATER 30 AND head MATCHES " $")
    string(SUBSTRING "${line}" 30 -1 text)
  elseif(line MATCHES "^ +([^ ].*[^ ])  +([^ ].*)$")
    set(name "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
  else()
    string(STRIP "${line}" name)
    set(text "")
  endif()
  string(STRIP "${text}" text)
  set(${name_out} "${name}" PARENT_SCOPE)
  set(${text_out} "${text}" PARENT_SCOPE)
endfunction()

# The roff of one item: its name in bold (its options) and italics (its
# argument), then its description.
function(roff_item name text out)
  roff_text("${name}" name)
  string(REGEX REPLACE "(^|[ ,])((\\\\-)+[A-Za-z0-9]([A-Za-z0-9]|\\\\-)*)" "\\1\\\\fB\\2\\\\fR" name "${name}")
  roff_text("${text}" text)
  set(${out} ".TP\n${name}\n${text}\n" PARENT_SCOPE)
endfunction()

# The part of a command's help that is its own: the description, the usage
# line and its items (the text after them is the footer, which the page
# shows once).
function(command_section command help out)
  # Lines as a list: the semicolons of the text stand in for a while.
  string(REPLACE ";" "@SEMICOLON@" help "${help}")
  string(REPLACE "\n" ";" lines "${help}")
  set(roff ".SS \"${NAME} ${command}\"\n")
  set(state description)
  set(item_name "")
  set(item_text "")
  foreach(line IN LISTS lines)
    if(state STREQUAL "description")
      if(line MATCHES "^Usage: (.*)$")
        roff_text("${CMAKE_MATCH_1}" usage)
        string(APPEND roff ".PP\nUsage: ${usage}\n")
        set(state items)
      else()
        roff_text("${line}" text)
        string(APPEND roff "${text}\n")
      endif()
    elseif(line MATCHES "^                    +[^ ]")
      string(STRIP "${line}" more)
      string(APPEND item_text " ${more}")
    elseif(line MATCHES "^  [^ ]")
      if(NOT item_name STREQUAL "")
        roff_item("${item_name}" "${item_text}" item)
        string(APPEND roff "${item}")
      endif()
      split_item("${line}" item_name item_text)
    elseif(line MATCHES "^([A-Z][a-z]+):$")
      if(NOT item_name STREQUAL "")
        roff_item("${item_name}" "${item_text}" item)
        string(APPEND roff "${item}")
        set(item_name "")
      endif()
      string(APPEND roff ".PP\n${CMAKE_MATCH_1}:\n")
    elseif(line STREQUAL "")
      continue()
    else()
      break()
    endif()
  endforeach()
  if(NOT item_name STREQUAL "")
    roff_item("${item_name}" "${item_text}" item)
    string(APPEND roff "${item}")
  endif()
  string(REPLACE "@SEMICOLON@" ";" roff "${roff}")
  set(${out} "${roff}" PARENT_SCOPE)
endfunction()

# The date: SOURCE_DATE_EPOCH, else the commit time, else now.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} OR NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
    RESULT_VARIABLE rc OUTPUT_VARIABLE epoch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(rc EQUAL 0 AND epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  endif()
endif()

# Under an emulator, help2man starts the program through a script of the
# program's name that starts the emulator.
if(EMULATOR)
  set(wrapper ${OUTPUT}.run/${NAME})
  string(REPLACE ";" " " emulator "${EMULATOR}")
  file(WRITE ${wrapper} "#!/bin/sh\nexec ${emulator} '${PROGRAM}' \"$@\"\n")
  file(CHMOD ${wrapper} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(PROGRAM ${wrapper})
endif()

# The commands, from the top-level help's "Subcommands:" list.
run_program(top ${PROGRAM} --help)
set(commands "")
if(top MATCHES "\nSubcommands:\n(( +[^\n]*\n)+)")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" found "\n${CMAKE_MATCH_1}")
  foreach(f ${found})
    string(STRIP "${f}" f)
    list(APPEND commands ${f})
  endforeach()
endif()

set(include ${OUTPUT}.h2m)
set(text "")
if(commands)
  set(text "[COMMANDS]\n")
  foreach(command ${commands})
    run_program(help ${PROGRAM} ${command} --help)
    command_section(${command} "${help}" section)
    string(APPEND text "${section}")
  endforeach()
endif()
string(APPEND text "[SEE ALSO]\n")
if(NAME STREQUAL "qelrpt-host")
  string(APPEND text ".BR qelrpt\\-gentags (1)\n")
else()
  string(APPEND text ".BR qelrpt\\-host (1)\n")
endif()
file(WRITE ${include} "${text}")

run_program(page ${HELP2MAN} --no-info --no-discard-stderr --version-string=${VERSION}
  --name=${SUMMARY} --include=${include} ${PROGRAM})
file(REMOVE ${include})
# help2man sets only the first of "-h,--help" in bold.
string(REGEX REPLACE "\\\\fR,((\\\\-)+[A-Za-z0-9]([A-Za-z0-9]|\\\\-)*)" "\\\\fR, \\\\fB\\1\\\\fR" page "${page}")
file(WRITE ${OUTPUT} "${page}")
