# Reads the library's exports: the nine of src/host/exports.txt and the
# formula entry point of each row of the function table
# src/table/function_table.h (the list's folder's ../table/function_table.h).
#
#   qelrpt_read_exports(LIST_FILE PREFIX) sets PREFIX_names (the exported
#   names in list order), PREFIX_formula_count (the number of table rows
#   read) and, per name N, PREFIX_N_body and PREFIX_N_bytes.
#
# A row is a line that starts, after blanks, with "X(QELName, QELFormula_Name,".
# The build passes the count it read to the plug-in's sources, which fail
# to compile when the table has another number of rows.
#
# Included by the build, which writes the module-definition file or the
# version script from it, and by the binary check (cmake -P).
function(qelrpt_read_exports list_file prefix)
  file(STRINGS ${list_file} lines REGEX "^[A-Za-z]")
  get_filename_component(folder ${list_file} DIRECTORY)
  file(READ ${folder}/../table/function_table.h table)
  string(REGEX MATCHALL "\n[ \t]*X\\(QEL[A-Za-z0-9]+, *QELFormula_[A-Za-z0-9]+," rows "${table}")
  list(LENGTH rows count)
  foreach(row IN LISTS rows)
    string(REGEX MATCH "QELFormula_[A-Za-z0-9]+" entry "${row}")
    list(APPEND lines "${entry} ${entry} 4")
  endforeach()
  set(${prefix}_formula_count ${count} PARENT_SCOPE)
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
# Sets `count_var` to the number of formula entry points it exported.
function(qelrpt_write_export_file list_file output count_var)
  qelrpt_read_exports(${list_file} e)
  set(${count_var} ${e_formula_count} PARENT_SCOPE)
  if(WIN32)
    set(text "LIBRARY qelrpt.dll\nEXPORTS\n")
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
  # Rewritten only when it changes, so that the library is not relinked.
  file(WRITE ${output}.new "${text}")
  file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT)
  file(REMOVE ${output}.new)
  get_filename_component(folder ${list_file} DIRECTORY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file} ${folder}/../table/function_table.h)
endfunction()
