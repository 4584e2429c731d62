# Turns the first page of qelrpt-host's PDF of a listing into a grey PNG
# at a low resolution with poppler's pdftoppm and compares it with its
# reference (qelrpt_compare_png: the mean grey of every square within a
# tolerance): the layout of the page, its header, bars, columns and
# markers, as a reader sees it.
#
#   cmake -DTOOL=... -DLIBRARY=... -DCSV=file -DPDFTOPPM=... -DCOMPARE=...
#         -DREFERENCE=page.png -DRESOLUTION=24 -DBLOCK=4 -DTOLERANCE=24
#         -DSCRATCH=folder [-DUPDATE=ON] -P print_png.cmake
#
# With -DUPDATE=ON the page becomes the new reference (after a change of
# the layout that is meant; look at it first).  The tool runs in the CSV
# file's folder with the file's name, so the page names no build folder.

cmake_minimum_required(VERSION 3.25)

if(NOT PDFTOPPM)
  message("PDF test skipped: pdftoppm is not installed (scripts/deps.sh test installs poppler-utils)")
  return()
endif()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
get_filename_component(folder "${CSV}" DIRECTORY)
get_filename_component(name "${CSV}" NAME)
execute_process(COMMAND "${TOOL}" --library "${LIBRARY}" report --format pdf "${name}"
  WORKING_DIRECTORY "${folder}" OUTPUT_FILE "${SCRATCH}/listing.pdf" ERROR_VARIABLE messages RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "qelrpt-host report --format pdf ${name} failed (${status}):\n${messages}")
endif()
execute_process(COMMAND "${PDFTOPPM}" -r ${RESOLUTION} -gray -png -f 1 -l 1 -singlefile "${SCRATCH}/listing.pdf"
  "${SCRATCH}/page" RESULT_VARIABLE status ERROR_VARIABLE messages)
if(NOT status EQUAL 0 OR NOT EXISTS "${SCRATCH}/page.png")
  message(FATAL_ERROR "pdftoppm failed (${status}):\n${messages}")
endif()
if(UPDATE)
  file(COPY_FILE "${SCRATCH}/page.png" "${REFERENCE}")
  message(STATUS "the reference ${REFERENCE} is written anew")
  return()
endif()
execute_process(COMMAND "${COMPARE}" "${REFERENCE}" "${SCRATCH}/page.png" ${BLOCK} ${TOLERANCE}
  OUTPUT_VARIABLE verdict ERROR_VARIABLE verdict RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the first page of the PDF of ${name} differs from its reference: ${verdict}"
    "(the page: ${SCRATCH}/page.png)")
endif()
message(STATUS "the first page of the PDF of ${name} matches its reference: ${verdict}")
