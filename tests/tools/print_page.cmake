# Prints qelrpt-host's HTML page to PDF with headless Chromium and checks
# with pdftotext that the printed page shows the listing: every line of the
# text listing (the level headers, the indented names, the values and the
# alarm and log markers) in the same order, and the blanks before each name
# kept, so that a deeper level stands further to the right.
#
# With -DLONG_NAMES=ON the listing is CSV's tags and two of 254 characters
# (one deep, one a single long level), over several pages, and the check is
# that every row's value and markers are printed, in order, each value
# followed by exactly its markers (a name too wide for the page would push
# them off it), and that the pages are numbered "page N of M".
#
#   cmake -DTOOL=... -DLIBRARY=... -DCSV=... -DCHROMIUM=... -DPDFTOTEXT=...
#         -DSCRATCH=folder [-DLONG_NAMES=ON] -P print_page.cmake
#
# Without Chromium or pdftotext (CHROMIUM or PDFTOTEXT empty or NOTFOUND)
# the test says so and is skipped.

cmake_minimum_required(VERSION 3.25)

if(NOT CHROMIUM OR NOT PDFTOTEXT)
  message("browser test skipped: Chromium or pdftotext is not installed (scripts/deps.sh test installs them)")
  return()
endif()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/profile" "${SCRATCH}/home")
if(LONG_NAMES)
  file(READ "${CSV}" tags)
  set(deep "Plant9")
  foreach(i RANGE 10 40)
    string(APPEND deep "\\Level${i}")
  endforeach()
  string(SUBSTRING "${deep}" 0 254 deep)
  string(REPEAT "X" 247 flat)
  file(WRITE "${SCRATCH}/long.csv" "${tags}${deep},42.5,3\nPlant9\\${flat},1234567,1\n")
  set(CSV "${SCRATCH}/long.csv")
endif()
execute_process(COMMAND "${TOOL}" --library "${LIBRARY}" report --format html "${CSV}"
  OUTPUT_FILE "${SCRATCH}/page.html" RESULT_VARIABLE status)
execute_process(COMMAND "${TOOL}" --library "${LIBRARY}" report "${CSV}"
  OUTPUT_VARIABLE listing RESULT_VARIABLE text_status)
if(NOT status EQUAL 0 OR NOT text_status EQUAL 0)
  message(FATAL_ERROR "qelrpt-host failed: ${status}, ${text_status}")
endif()

# Chromium keeps settings and caches in the home folder, given here as a
# folder of the scratch folder (its temporary files go to a folder of its
# own that it makes and removes).
execute_process(COMMAND ${CMAKE_COMMAND} -E env "HOME=${SCRATCH}/home" "XDG_CONFIG_HOME=${SCRATCH}/home/.config"
    "XDG_CACHE_HOME=${SCRATCH}/home/.cache" "${CHROMIUM}" --headless --no-sandbox --disable-gpu
    --disable-background-networking
    --disable-component-update --disable-sync --no-first-run "--user-data-dir=${SCRATCH}/profile"
    --no-pdf-header-footer "--print-to-pdf=${SCRATCH}/page.pdf" "file://${SCRATCH}/page.html"
  TIMEOUT 180 RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE chromium_messages)
if(NOT status EQUAL 0 OR NOT EXISTS "${SCRATCH}/page.pdf")
  message(FATAL_ERROR "Chromium could not print the page (${status}):\n${chromium_messages}")
endif()
execute_process(COMMAND "${PDFTOTEXT}" -layout -enc UTF-8 "${SCRATCH}/page.pdf" -
  OUTPUT_VARIABLE printed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdftotext failed: ${status}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/lines.cmake)

if(LONG_NAMES)
  # Every row of the page: its value and markers, in order.
  file(READ "${SCRATCH}/page.html" page)
  check_printed_rows("${page}" "${printed}" "" 2 "the printed page" checked)
  string(REPLACE ";" "," printed "${printed}")
  string(REGEX MATCH "page 1 of ([0-9]+)" numbered "${printed}")
  set(pages "${CMAKE_MATCH_1}")
  if(NOT numbered OR pages LESS 2 OR NOT printed MATCHES "page ${pages} of ${pages}")
    message(FATAL_ERROR "the pages are not numbered \"page N of M\" over several pages\nprinted:\n${printed}")
  endif()
  if(checked LESS 482)
    message(FATAL_ERROR "only ${checked} rows found on the page")
  endif()
  message(STATUS "the printed page shows the values and markers of all ${checked} rows, names of 254 characters "
    "included, over ${pages} numbered pages")
  return()
endif()

# The blanks before the text, and the text with each run of blanks as one.
function(measure line indent_var words_var)
  string(LENGTH "${line}" whole)
  string(REGEX REPLACE "^ +" "" rest "${line}")
  string(LENGTH "${rest}" tail)
  math(EXPR indent "${whole} - ${tail}")
  string(STRIP "${line}" words)
  string(REGEX REPLACE "[ \t]+" " " words "${words}")
  set(${indent_var} ${indent} PARENT_SCOPE)
  set(${words_var} "${words}" PARENT_SCOPE)
endfunction()

string(ASCII 12 form_feed)  # between pages
string(REPLACE "${form_feed}" "\n" printed "${printed}")
split_lines("${listing}" want)
split_lines("${printed}" got)
set(at 0)
set(previous_want -1)
set(previous_got -1)
math(EXPR last "${want_count} - 1")
foreach(i RANGE 1 ${last})  # line 0 is the column header
  if(want_${i} STREQUAL "")
    break()  # the summary follows
  endif()
  measure("${want_${i}}" want_indent want_words)
  set(found FALSE)
  while(at LESS got_count)
    measure("${got_${at}}" got_indent got_words)
    math(EXPR at "${at} + 1")
    if(got_words STREQUAL want_words)
      set(found TRUE)
      break()
    endif()
  endwhile()
  if(NOT found)
    message(FATAL_ERROR "the printed page lacks, or has out of order, the listing's line ${i}: \"${want_${i}}\"\n"
      "printed:\n${printed}")
  endif()
  if(previous_want GREATER_EQUAL 0)
    if((want_indent GREATER previous_want AND NOT got_indent GREATER previous_got) OR
       (want_indent LESS previous_want AND NOT got_indent LESS previous_got))
      message(FATAL_ERROR "the blanks before \"${want_words}\" are lost in print: indented ${got_indent} "
        "after ${previous_got}, where the listing has ${want_indent} after ${previous_want}\nprinted:\n${printed}")
    endif()
  endif()
  set(previous_want ${want_indent})
  set(previous_got ${got_indent})
endforeach()
message(STATUS "the printed page shows all ${last} lines of the listing in order, indented as in the listing")
