# The library's exports: the nine library entry points of
# src/host/exports.txt and the formula entry point of each row of the
# function table (cmake/table.cmake).
#
#   qelrpt_write_export_list(FILE)        writes the whole list into FILE, one
#                                         "name body bytes" line per export
#   qelrpt_read_exports(FILE PREFIX)      reads such a list: PREFIX_names (in
#                                         order) and, per name N, PREFIX_N_body
#                                         and PREFIX_N_bytes
#   qelrpt_write_export_file(LIST OUTPUT [DLL])  the linker's export file for
#                                         LIST (DLL: the Windows library's file
#                                         name, qelrpt.dll unless given)
#
# The binary check (tests/binary, cmake -P) reads the list the build wrote.

function(qelrpt_write_export_list file)
  file(STRINGS ${PROJECT_SOURCE_DIR}/src/host/exports.txt lines REGEX "^[A-Za-z]")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/src/host/exports.txt)
  qelrpt_table_entry_points(entries)
  foreach(entry IN LISTS entries)
    # Each formula entry point takes the call block's pointer, 4 bytes on
    # the 32-bit stack.
    list(APPEND lines "${entry} ${entry} 4")
  endforeach()
  list(JOIN lines "\n" text)
  qelrpt_write_if_changed(${file} "${text}\n")
endfunction()

function(qelrpt_read_exports list_file prefix)
  file(STRINGS ${list_file} lines REGEX "^[A-Za-z]")
  set(names "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([A-Za-z_0-9]+)[ \t]+([A-Za-z_0-9]+)[ \t]+([0-9]+)[ \t]*$")
      message(FATAL_ERROR "${list_file}: not 'name body bytes': ${line}")
    endif()
    list(APPEND names ${CMAKE_MATCH_1})
    set(${prefix}_${CMAKE_MATCH_1}_body ${CMAKE_MATCH_2} PARENT_SCOPE)
    set(${prefix}_${CMAKE_MATCH_1}_bytes ${CMAKE_MATCH_3} PARENT_SCOPE)
  endforeach()
  set(${prefix}_names ${names} PARENT_SCOPE)
endfunction()

# Writes the linker's export file for the library into `output`: a
# module-definition file on Windows (the 32-bit one maps each undecorated
# name to its __stdcall body, name@bytes), a version script elsewhere.
function(qelrpt_write_export_file list_file output)
  qelrpt_read_exports(${list_file} e)
  set(library qelrpt.dll)
  if(ARGC GREATER 2)
    set(library ${ARGV2})
  endif()
  if(WIN32)
    set(text "LIBRARY ${library}\nEXPORTS\n")
    foreach(name IN LISTS e_names)
      set(target ${e_${name}_body})
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        string(APPEND target "@${e_${name}_bytes}")
      endif()
      string(APPEND text "    ${name} = ${target}\n")
    endforeach()
  else()
    set(text "{\n    global:\n")
    foreach(name IN LISTS e_names)
      string(APPEND text "        ${name};\n")
    endforeach()
    string(APPEND text "    local:\n        *;\n};\n")
  endif()
  qelrpt_write_if_changed(${output} "${text}")
endfunction()
