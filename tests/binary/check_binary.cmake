# Checks the built plug-in (or the COM library) as a file, without running
# it:
#   - it exports exactly the names of the build's export list (the library
#     entry points of src/host/exports.txt and one formula entry point per
#     row of the function table), undecorated, and among them every name
#     a release exported (released-exports.txt);
#   - a Windows DLL imports from KERNEL32.dll and msvcrt.dll only (the
#     plug-in) or from the DLLs IMPORTS names, has ASLR (dynamic base) and
#     DEP (NX compatible) set, and carries the version strings the engine's
#     file dialogs show, with ORIGINAL as its original file name;
#   - with TYPELIB set, it carries a type library as its resource TYPELIB 1;
#   - with MAGIC set, its optional header is of that kind (PE32 for 32-bit
#     x86, PE32+ for x86-64);
#   - in a 32-bit Windows DLL each export removes exactly its own argument
#     bytes from the stack on return (__stdcall): `ret $0x4` for one 32-bit
#     argument, `ret $0x8` for two, a plain `ret` for none.  A caller and a
#     callee that disagree on this corrupt the engine's stack.
#
# cmake -DBINARY=... -DFORMAT=pe|elf -DTOOL=objdump-or-nm -DEXPORTS=exports.txt
#       [-DVERSION=x.y.z] [-DIMPORTS=a.dll;b.dll] [-DORIGINAL=NAME.DLL]
#       [-DRELEASED=released-exports.txt|none] [-DTYPELIB=ON] [-DMAGIC=PE32|PE32+]
#       -P check_binary.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/exports.cmake)
qelrpt_read_exports(${EXPORTS} e)
set(expected ${e_names})
list(SORT expected)
if(NOT DEFINED IMPORTS)
  set(IMPORTS KERNEL32.dll msvcrt.dll)
endif()
if(NOT DEFINED ORIGINAL)
  set(ORIGINAL QELRPT.DLL)
endif()
if(NOT DEFINED RELEASED)
  set(RELEASED ${CMAKE_CURRENT_LIST_DIR}/released-exports.txt)
endif()
set(released "")
if(NOT RELEASED STREQUAL "none")
  file(STRINGS ${RELEASED} released REGEX "^[A-Za-z]")
endif()
foreach(name IN LISTS released)
  if(NOT name IN_LIST expected)
    message(FATAL_ERROR "${name} was exported by a release and must stay: the build no longer exports it")
  endif()
endforeach()

# Sets `out` to the output of `command...`; fails the check when it fails.
function(run out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' failed (${rc}): ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Sets `names` to the export names in the `objdump -p` dump and, per name N,
# `address_N` to its address in the image (image base + RVA, hexadecimal).
function(read_pe_exports dump)
  string(REGEX MATCH "ImageBase[ \t]+([0-9a-fA-F]+)" _ "${dump}")
  set(base "0x${CMAKE_MATCH_1}")
  string(REGEX MATCH "Ordinal Base ([0-9]+)" _ "${dump}")
  set(ordinal_base ${CMAKE_MATCH_1})
  # Export Address Table rows: "[   0] +base[   1] 14f0 Export RVA".
  string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] \\+base\\[ *[0-9]+\\] [0-9a-fA-F]+ Export RVA" rows "${dump}")
  foreach(row IN LISTS rows)
    string(REGEX MATCH "\\+base\\[ *([0-9]+)\\] ([0-9a-fA-F]+)" _ "${row}")
    set(rva_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endforeach()
  # Name table rows after "[Ordinal/Name Pointer] Table": "[   1] Name".
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*(\n.*)" _ "${dump}")
  string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\n]+" rows "${CMAKE_MATCH_1}")
  set(found "")
  foreach(row IN LISTS rows)
    string(REGEX MATCH "\\[ *([0-9]+)\\] ([^\n]+)" _ "${row}")
    set(name ${CMAKE_MATCH_2})
    math(EXPR ordinal "${CMAKE_MATCH_1} + ${ordinal_base}")
    list(APPEND found ${name})
    math(EXPR address "${base} + 0x${rva_${ordinal}}" OUTPUT_FORMAT HEXADECIMAL)
    set(address_${name} ${address} PARENT_SCOPE)
  endforeach()
  set(names ${found} PARENT_SCOPE)
endfunction()

# Fails unless the first return instruction of the export `name` pops
# `bytes` bytes of arguments.  Functions are laid out whole, so the first
# `ret` after the entry address belongs to the export itself.
function(check_stack_cleanup name address bytes)
  math(EXPR stop "${address} + 0x400" OUTPUT_FORMAT HEXADECIMAL)
  run(code ${TOOL} -d --no-show-raw-insn --start-address=${address} --stop-address=${stop} ${BINARY})
  if(NOT code MATCHES "\n[ \t]*[0-9a-f]+:[ \t]+(ret[lw]?)([ \t]+\\$(0x[0-9a-f]+))?[ \t]*\n")
    message(FATAL_ERROR "${name} at ${address}: no return instruction found")
  endif()
  set(popped 0)
  if(CMAKE_MATCH_3)
    math(EXPR popped "${CMAKE_MATCH_3}")
  endif()
  if(NOT popped EQUAL bytes)
    string(STRIP "${CMAKE_MATCH_0}" instruction)
    string(REGEX REPLACE "[ \t]+" " " instruction "${instruction}")
    message(FATAL_ERROR "${name} returns with '${instruction}': it removes ${popped} argument bytes, "
                        "its callers expect ${bytes}")
  endif()
endfunction()

# Fails unless the version resource holds `key` followed by `value`
# (StringFileInfo keeps each pair as two UTF-16 strings side by side).
function(check_version_string strings key value)
  list(FIND strings "${key}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the version resource has no ${key}")
  endif()
  math(EXPR at "${at} + 1")
  list(GET strings ${at} actual)
  if(NOT actual STREQUAL value)
    message(FATAL_ERROR "version resource ${key} is '${actual}', expected '${value}'")
  endif()
endfunction()

if(FORMAT STREQUAL "pe")
  run(dump ${TOOL} -p ${BINARY})
  read_pe_exports("${dump}")
  set(exports ${names})

  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  list(TRANSFORM imports REPLACE "DLL Name: " "")
  list(SORT imports)
  foreach(import IN LISTS imports)
    if(NOT import IN_LIST IMPORTS)
      message(FATAL_ERROR "imports are '${imports}': ${import} is not one of '${IMPORTS}'")
    endif()
  endforeach()
  message(STATUS "${BINARY}: imports ${imports}")

  if(MAGIC)
    string(REGEX MATCH "Magic[ \t]+[0-9a-fA-F]+[ \t]+\\(([^)]*)\\)" _ "${dump}")
    if(NOT CMAKE_MATCH_1 STREQUAL MAGIC)
      message(FATAL_ERROR "${BINARY} is '${CMAKE_MATCH_1}', expected ${MAGIC}")
    endif()
    message(STATUS "${BINARY}: ${MAGIC}")
  endif()

  if(TYPELIB)
    # The resource directory's type TYPELIB holds the name 1, and the file
    # a type library's header ("MSFT", version 2.1).
    if(NOT dump MATCHES "Entry: name: [^\n]*: TYPELIB, [^\n]*\n[^\n]*Name Table[^\n]*\n[^\n]*Entry: ID: 0x000001,")
      message(FATAL_ERROR "${BINARY} has no resource TYPELIB 1")
    endif()
    file(READ ${BINARY} bytes HEX)
    string(FIND "${bytes}" "4d53465402000100" at)
    if(at LESS 0)
      message(FATAL_ERROR "${BINARY} carries no type library")
    endif()
    message(STATUS "${BINARY}: a type library as its resource TYPELIB 1")
  endif()

  string(REGEX MATCH "DllCharacteristics[ \t]+([0-9a-fA-F]+)" _ "${dump}")
  math(EXPR characteristics "0x${CMAKE_MATCH_1}")
  math(EXPR aslr "${characteristics} & 0x40")
  math(EXPR nx "${characteristics} & 0x100")
  if(aslr EQUAL 0 OR nx EQUAL 0)
    message(FATAL_ERROR "DllCharacteristics 0x${CMAKE_MATCH_1}: dynamic base and NX compatible must both be set")
  endif()

  # Plain words only: the rest of the file read as UTF-16 is noise.
  file(STRINGS ${BINARY} resource_strings ENCODING UTF-16LE LENGTH_MINIMUM 3 REGEX "^[A-Za-z0-9 ._-]+$")
  check_version_string("${resource_strings}" FileDescription "QEL functions for reporting")
  check_version_string("${resource_strings}" InternalName "QEL functions for reporting")
  check_version_string("${resource_strings}" OriginalFilename "${ORIGINAL}")
  check_version_string("${resource_strings}" FileVersion "${VERSION}")
  check_version_string("${resource_strings}" ProductVersion "${VERSION}")

  if(dump MATCHES "file format pei-i386")
    foreach(name IN LISTS e_names)
      if(NOT DEFINED address_${name})
        message(FATAL_ERROR "${name} is not exported")
      endif()
      check_stack_cleanup(${name} ${address_${name}} ${e_${name}_bytes})
    endforeach()
    message(STATUS "${BINARY}: every export removes its own argument bytes on return")
  endif()
else()
  run(dump ${TOOL} -D --defined-only --format=posix ${BINARY})
  string(REGEX MATCHALL "(^|\n)[^ \n]+ [A-Za-z] " rows "${dump}")
  set(exports "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\n?([^ ]+) .*" "\\1" name "${row}")
    list(APPEND exports "${name}")
  endforeach()
endif()

list(SORT exports)
if(NOT exports STREQUAL expected)
  message(FATAL_ERROR "exports of ${BINARY}:\n  ${exports}\nexpected:\n  ${expected}")
endif()
list(LENGTH exports count)
message(STATUS "${BINARY}: exactly the ${count} expected exports")
