# Checks qelrpt-host's PDF with poppler's pdftotext and pdfinfo against the
# text listing and the HTML page of the same file:
#
# - CHECK=lines: every line of the text listing (the level headers, the
#   indented names, the values and the alarm and log markers) is printed,
#   in the same order and with the same words, and a deeper level stands
#   further to the right;
# - CHECK=rows: every row's value is printed, in order, followed by
#   exactly its markers (alarm, log, [cut]), as the HTML page has them
#   (for names that wrap, and names in right-to-left scripts);
#
# and in both cases: the page's header (each fact of the HTML page's
# header, term and text, and the title), the line under the listing, the
# column headings on every page, "page N of M" on every page, the paper
# (A4, or Letter with PAPER=letter), and the same bytes from a second run
# (SOURCE_DATE_EPOCH set by the test).
#
#   cmake -DTOOL=... -DLIBRARY=... -DCSV=file -DCHECK=lines|rows [-DPAPER=letter]
#         -DPDFTOTEXT=... -DPDFINFO=... -DSCRATCH=folder -P print_pdf.cmake
#
# The tool runs in the CSV file's folder, with the file's name as its
# argument, so the page names no folder of the build machine.

cmake_minimum_required(VERSION 3.25)

if(NOT PDFTOTEXT OR NOT PDFINFO)
  message("PDF test skipped: pdftotext or pdfinfo is not installed (scripts/deps.sh test installs poppler-utils)")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/lines.cmake)

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
get_filename_component(folder "${CSV}" DIRECTORY)
get_filename_component(name "${CSV}" NAME)
set(paper_args "")
if(PAPER)
  set(paper_args --paper ${PAPER})
endif()

function(host format output)
  execute_process(COMMAND "${TOOL}" --library "${LIBRARY}" report --format ${format} ${ARGN} "${name}"
    WORKING_DIRECTORY "${folder}" OUTPUT_FILE "${output}" ERROR_VARIABLE messages RESULT_VARIABLE status)
  if(NOT status MATCHES "^[01]$")
    message(FATAL_ERROR "qelrpt-host report --format ${format} ${name} failed (${status}):\n${messages}")
  endif()
endfunction()
host(pdf "${SCRATCH}/listing.pdf" ${paper_args})
host(pdf "${SCRATCH}/again.pdf" ${paper_args})
host(text "${SCRATCH}/listing.txt")
host(html "${SCRATCH}/page.html")
file(READ "${SCRATCH}/listing.txt" listing)
file(READ "${SCRATCH}/page.html" page)
string(REPLACE "&#39;" "'" page "${page}")
string(REPLACE "&quot;" "\"" page "${page}")
string(REPLACE "&lt;" "<" page "${page}")
string(REPLACE "&gt;" ">" page "${page}")
string(REPLACE "&amp;" "&" page "${page}")
string(REPLACE ";" "," page "${page}")

file(SHA256 "${SCRATCH}/listing.pdf" first)
file(SHA256 "${SCRATCH}/again.pdf" second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two runs with the same SOURCE_DATE_EPOCH wrote different PDFs")
endif()

execute_process(COMMAND "${PDFINFO}" "${SCRATCH}/listing.pdf" OUTPUT_VARIABLE info RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdfinfo cannot read the PDF (${status})")
endif()
string(REGEX MATCH "Pages: +([0-9]+)" _ "${info}")
set(pages "${CMAKE_MATCH_1}")
string(REGEX MATCH "Page size: +([0-9.]+ x [0-9.]+)" _ "${info}")
set(size "${CMAKE_MATCH_1}")
if(PAPER STREQUAL "letter")
  set(want_size "612 x 792")
else()
  set(want_size "595.276 x 841.89")
endif()
if(NOT size STREQUAL want_size)
  message(FATAL_ERROR "the pages are ${size} points, not ${want_size}\n${info}")
endif()

execute_process(COMMAND "${PDFTOTEXT}" -layout -enc UTF-8 "${SCRATCH}/listing.pdf" -
  OUTPUT_VARIABLE printed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdftotext failed: ${status}")
endif()
string(ASCII 12 form_feed)  # between pages
string(REPLACE "${form_feed}" "\n" printed "${printed}")
string(REPLACE ";" "," printed "${printed}")
string(REPLACE ";" "," listing "${listing}")

# The words of a text, each run of blanks as one blank.
function(words text out)
  string(STRIP "${text}" text)
  string(REGEX REPLACE "[ \t]+" " " text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

split_lines("${printed}" got)
# Whether some printed line holds exactly the words of `want`.
function(printed_line want found)
  words("${want}" want)
  set(hit FALSE)
  foreach(i RANGE ${got_count})
    words("${got_${i}}" line)
    if(line STREQUAL want)
      set(hit TRUE)
      break()
    endif()
  endforeach()
  set(${found} ${hit} PARENT_SCOPE)
endfunction()

# The header: the title, then each fact of the HTML page as "term text".
string(REGEX MATCH "<h1>([^<]*)</h1>" _ "${page}")
set(facts "${CMAKE_MATCH_1}")
string(REGEX MATCHALL "<dt>[^<]*</dt><dd>[^<]*</dd>" pairs "${page}")
foreach(pair IN LISTS pairs)
  string(REGEX REPLACE "<dt>([^<]*)</dt><dd>([^<]*)</dd>" "\\1 \\2" pair "${pair}")
  list(APPEND facts "${pair}")
endforeach()
list(LENGTH facts fact_count)
if(fact_count LESS 6)
  message(FATAL_ERROR "the HTML page's header holds only: ${facts}")
endif()
# The line under the listing.
string(REGEX MATCH "\n\n([^\n]+)\n$" _ "${listing}")
list(APPEND facts "${CMAKE_MATCH_1}")
foreach(fact IN LISTS facts)
  printed_line("${fact}" found)
  if(NOT found)
    message(FATAL_ERROR "the PDF lacks the line \"${fact}\" of the page\nprinted:\n${printed}")
  endif()
endforeach()

# The column headings and the page number on every page.
string(REGEX MATCHALL "\n *Tag +Value +Alarm +Log *\n" headings "\n${printed}")
list(LENGTH headings heading_count)
string(REGEX MATCHALL "page [0-9]+ of ${pages}\n" numbers "${printed}")
set(want_numbers "")
foreach(n RANGE 1 ${pages})
  list(APPEND want_numbers "page ${n} of ${pages}\n")
endforeach()
if(NOT heading_count EQUAL pages OR NOT "${numbers}" STREQUAL "${want_numbers}")
  message(FATAL_ERROR "${pages} pages, with ${heading_count} column headings and the numbers \"${numbers}\"\n"
    "printed:\n${printed}")
endif()

if(CHECK STREQUAL "rows")
  # Every row of the page: its value and markers, in order.
  string(REGEX MATCHALL "<td class=\"value\">[^<]*</td><td[^>]*>[a-z]*</td><td[^>]*>[a-z]*</td><td[^>]*>[^<]*</td>"
    rows "${page}")
  # Square brackets would join list items: [cut] is counted as <cut>.
  string(REPLACE "[" "<" tokens "${printed}")
  string(REPLACE "]" ">" tokens "${tokens}")
  string(REGEX REPLACE "[ \t\n\r]+" ";" tokens "${tokens}")
  list(LENGTH tokens token_count)
  # From the first column headings on: the header's counts are no values.
  list(FIND tokens "Log" at)
  set(checked 0)
  foreach(row IN LISTS rows)
    string(REGEX MATCH "<td class=\"value\"> *([^<]*)</td><td[^>]*>([a-z]*)</td><td[^>]*>([a-z]*)</td><td[^>]*>([^<]*)</td>"
      _ "${row}")
    set(value "${CMAKE_MATCH_1}")
    string(REPLACE "[cut]" "<cut>" cut "${CMAKE_MATCH_4}")
    set(markers "${CMAKE_MATCH_2}" "${CMAKE_MATCH_3}" "${cut}")
    list(REMOVE_ITEM markers "")
    set(found FALSE)
    while(at LESS token_count)
      list(GET tokens ${at} token)
      math(EXPR at "${at} + 1")
      if(token STREQUAL value)
        set(found TRUE)
        break()
      endif()
    endwhile()
    if(NOT found)
      message(FATAL_ERROR "the PDF lacks, or has out of order, the value \"${value}\" of row ${checked}\n"
        "printed:\n${printed}")
    endif()
    set(after "")
    foreach(i RANGE 1 3)
      if(at LESS token_count)
        list(GET tokens ${at} token)
        if(token MATCHES "^(alarm|log|<cut>)$")
          list(APPEND after "${token}")
          math(EXPR at "${at} + 1")
        endif()
      endif()
    endforeach()
    if(NOT "${after}" STREQUAL "${markers}")
      message(FATAL_ERROR "the value \"${value}\" of row ${checked} is printed with the markers \"${after}\", "
        "not \"${markers}\"\nprinted:\n${printed}")
    endif()
    math(EXPR checked "${checked} + 1")
  endforeach()
  if(checked EQUAL 0)
    message(FATAL_ERROR "no rows found on the HTML page")
  endif()
  message(STATUS "the PDF shows the values and markers of all ${checked} rows of ${name}, the page's header and "
    "${pages} numbered pages")
  return()
endif()

# The blanks before the text, and its words.
function(measure line indent_var words_var)
  string(LENGTH "${line}" whole)
  string(REGEX REPLACE "^ +" "" rest "${line}")
  string(LENGTH "${rest}" tail)
  math(EXPR indent "${whole} - ${tail}")
  words("${line}" text)
  set(${indent_var} ${indent} PARENT_SCOPE)
  set(${words_var} "${text}" PARENT_SCOPE)
endfunction()

split_lines("${listing}" want)
set(at 0)
set(previous_want -1)
set(previous_got -1)
set(lines 0)
# The levels open above the line at hand, from the listing's level headers
# (a line that ends before the Value column is a header): what a page
# that goes on with a group names under its headings, "A › B (continued)".
set(level_count 0)
string(FIND "${want_0}" "Value" value_end)
math(EXPR value_end "${value_end} + 5")
set(headings_seen 0)
set(continued "")
set(continued_checked 0)
math(EXPR last "${want_count} - 1")
foreach(i RANGE 1 ${last})  # line 0 is the column header
  if(want_${i} STREQUAL "")
    break()  # the summary follows
  endif()
  measure("${want_${i}}" want_indent want_words)
  set(found FALSE)
  set(page_start FALSE)
  while(at LESS got_count)
    measure("${got_${at}}" got_indent got_words)
    math(EXPR at "${at} + 1")
    if(got_words MATCHES "^Tag Value Alarm Log$")
      math(EXPR headings_seen "${headings_seen} + 1")
      set(page_start TRUE)
      set(continued "")
    elseif(got_words MATCHES " \\(continued\\)$")
      set(continued "${got_words}")
    endif()
    if(got_words STREQUAL want_words)
      set(found TRUE)
      break()
    endif()
  endwhile()
  if(NOT found)
    message(FATAL_ERROR "the PDF lacks, or has out of order, the listing's line ${i}: \"${want_${i}}\"\n"
      "printed:\n${printed}")
  endif()
  set(path "")
  set(new_count 0)
  foreach(level RANGE 1 ${level_count})
    if(level GREATER level_count OR NOT level_indent_${level} LESS want_indent)
      break()
    endif()
    if(path STREQUAL "")
      set(path "${level_text_${level}}")
    else()
      set(path "${path} › ${level_text_${level}}")
    endif()
    set(new_count ${level})
  endforeach()
  if(page_start AND headings_seen GREATER 1)
    if(path STREQUAL "")
      set(want_continued "")
    else()
      set(want_continued "${path} (continued)")
    endif()
    if(NOT continued STREQUAL want_continued)
      message(FATAL_ERROR "page ${headings_seen} goes on with \"${want_words}\" under \"${continued}\", "
        "not \"${want_continued}\"\nprinted:\n${printed}")
    endif()
    math(EXPR continued_checked "${continued_checked} + 1")
  endif()
  string(LENGTH "${want_${i}}" length)
  if(length LESS value_end)
    math(EXPR level_count "${new_count} + 1")
    set(level_indent_${level_count} ${want_indent})
    set(level_text_${level_count} "${want_words}")
  endif()
  if(previous_want GREATER_EQUAL 0)
    if((want_indent GREATER previous_want AND NOT got_indent GREATER previous_got) OR
       (want_indent LESS previous_want AND NOT got_indent LESS previous_got))
      message(FATAL_ERROR "the blanks before \"${want_words}\" are lost in the PDF: indented ${got_indent} "
        "after ${previous_got}, where the listing has ${want_indent} after ${previous_want}\nprinted:\n${printed}")
    endif()
  endif()
  set(previous_want ${want_indent})
  set(previous_got ${got_indent})
  math(EXPR lines "${lines} + 1")
endforeach()
math(EXPR later_pages "${pages} - 1")
if(NOT continued_checked EQUAL later_pages)
  message(FATAL_ERROR "${continued_checked} page starts checked of ${pages} pages")
endif()
message(STATUS "the PDF shows all ${lines} lines of the listing of ${name} in order, indented as in the listing, "
  "the page's header, ${pages} numbered pages and the group each page goes on with")
