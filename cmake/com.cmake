# The COM function library, qelrptcom.dll (Windows builds): an in-process
# automation server whose one class offers each row of the function table
# as a method, for report engines that load COM user function libraries
# (docs/engine.md).  Everything that names the functions is written here
# from the table (cmake/table.cmake), never by hand:
#
#   com/qelrptcom.idl   the type library's source: the dual interface
#                       _Functions, one method per row in the table's order
#                       (its dispatch id is the row's position, from 1), with
#                       the row's formula name, parameter names and summary,
#                       and the read-only property UFPrefixFunctions;
#   com/qelrptcom.tlb   the type library, compiled by widl (Debian's
#                       mingw-w64-tools) and carried by the DLL as its
#                       TYPELIB resource 1;
#   com/com_ids.h       the class, interface and library ids, the ProgID and
#                       the registry keys, for src/com.
#
# The names follow a Visual Basic class of project CRUFLqelrpt and class
# Functions, the form in which the engine's documentation describes such
# libraries: the ProgID CRUFLqelrpt.Functions starts with CRUFL, by which the
# engine finds the class.  The class and library ids are fixed; the
# interface id is derived from the rows (a name-based UUID of their
# definitions and parameter names), so a change to any row gives the
# interface a new id, as COM requires of a changed interface.

set(QELRPT_COM_PROJECT CRUFLqelrpt)
set(QELRPT_COM_CLASS Functions)
set(QELRPT_COM_INTERFACE _Functions)
set(QELRPT_COM_PROGID ${QELRPT_COM_PROJECT}.${QELRPT_COM_CLASS})
set(QELRPT_COM_CLSID c0dc8b7a-6e2d-4274-b27c-b6b289979218)
set(QELRPT_COM_LIBID 372dbdd0-b836-4a29-83fe-f073488eef43)
# Above any row's dispatch id.
set(QELRPT_COM_PREFIX_DISPID 65536)
set(QELRPT_COM_DIR ${CMAKE_BINARY_DIR}/com)

# The automation type of a formula type.
function(qelrpt_com_type formula_type var)
  if(formula_type STREQUAL "String")
    set(${var} BSTR PARENT_SCOPE)
  elseif(formula_type STREQUAL "Number")
    set(${var} double PARENT_SCOPE)
  elseif(formula_type STREQUAL "Boolean")
    set(${var} VARIANT_BOOL PARENT_SCOPE)
  else()
    message(FATAL_ERROR "no automation type for the formula type ${formula_type}")
  endif()
endfunction()

# The interface id: a version-5 (SHA-1, name-based) UUID of the library id
# and every row's definition and parameter names.
function(qelrpt_com_interface_id var)
  set(text "${QELRPT_COM_LIBID}")
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    string(APPEND text "\n${QELRPT_${name}_DEFINITION} (${QELRPT_${name}_NAMES})")
  endforeach()
  string(SHA1 hash "${text}")
  string(SUBSTRING "${hash}" 0 8 a)
  string(SUBSTRING "${hash}" 8 4 b)
  string(SUBSTRING "${hash}" 13 3 c)
  string(SUBSTRING "${hash}" 16 1 variant)
  string(SUBSTRING "${hash}" 17 3 d)
  string(SUBSTRING "${hash}" 20 12 e)
  math(EXPR variant "(0x${variant} & 3) | 8" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${variant}" 2 1 variant)
  string(TOLOWER "${a}-${b}-5${c}-${variant}${d}-${e}" id)
  set(${var} ${id} PARENT_SCOPE)
endfunction()

# `text` quoted for an IDL string.
function(qelrpt_com_quote text var)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${var} "\"${text}\"" PARENT_SCOPE)
endfunction()

# One method per row: "[id(N), helpstring(summary)] HRESULT Name([in] T p, ..., [out, retval] R *result);"
function(qelrpt_com_methods var)
  set(text "")
  set(dispid 0)
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    math(EXPR dispid "${dispid} + 1")
    string(REPLACE ", " ";" types "${QELRPT_${name}_PARAMETERS}")
    string(REPLACE ", " ";" names "${QELRPT_${name}_NAMES}")
    set(parameters "")
    foreach(type parameter IN ZIP_LISTS types names)
      qelrpt_com_type(${type} com_type)
      list(APPEND parameters "[in] ${com_type} ${parameter}")
    endforeach()
    qelrpt_com_type(${QELRPT_${name}_RESULT} result)
    list(APPEND parameters "[out, retval] ${result} *result")
    list(JOIN parameters ", " parameters)
    qelrpt_com_quote("${QELRPT_${name}_SUMMARY}" summary)
    string(APPEND text "        [id(${dispid}), helpstring(${summary})]\n")
    string(APPEND text "        HRESULT ${name}(${parameters});\n")
  endforeach()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

function(qelrpt_com_write_idl file)
  qelrpt_com_methods(methods)
  set(version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  set(text "// Written by the build from the library's function table (cmake/com.cmake).\n")
  string(APPEND text "import \"oaidl.idl\";\n\n")
  string(APPEND text "[uuid(${QELRPT_COM_LIBID}), version(${version}),\n")
  string(APPEND text " helpstring(\"qelrpt ${PROJECT_VERSION}: ${PROJECT_DESCRIPTION}\")]\n")
  string(APPEND text "library ${QELRPT_COM_PROJECT}\n{\n    importlib(\"stdole2.tlb\");\n\n")
  string(APPEND text "    [uuid(${QELRPT_COM_IID}), dual, oleautomation, nonextensible, hidden,\n")
  string(APPEND text "     helpstring(\"The formula functions, one method each\")]\n")
  string(APPEND text "    interface ${QELRPT_COM_INTERFACE} : IDispatch\n    {\n")
  string(APPEND text "        [id(${QELRPT_COM_PREFIX_DISPID}), propget,\n")
  string(APPEND text "         helpstring(\"False: the engine lists the functions under their own names\")]\n")
  string(APPEND text "        HRESULT UFPrefixFunctions([out, retval] VARIANT_BOOL *value);\n")
  string(APPEND text "${methods}    };\n\n")
  string(APPEND text "    [uuid(${QELRPT_COM_CLSID}), helpstring(\"qelrpt: ${PROJECT_DESCRIPTION}\")]\n")
  string(APPEND text "    coclass ${QELRPT_COM_CLASS}\n    {\n")
  string(APPEND text "        [default] interface ${QELRPT_COM_INTERFACE};\n    };\n};\n")
  qelrpt_write_if_changed(${file} "${text}")
endfunction()

# The C++ initializer of a GUID written as text: {0x..., 0x..., 0x..., {0x.., ...}}.
function(qelrpt_com_guid_initializer id var)
  string(REPLACE "-" "" hex "${id}")
  string(SUBSTRING "${hex}" 0 8 a)
  string(SUBSTRING "${hex}" 8 4 b)
  string(SUBSTRING "${hex}" 12 4 c)
  set(bytes "")
  foreach(at RANGE 16 30 2)
    string(SUBSTRING "${hex}" ${at} 2 byte)
    list(APPEND bytes "0x${byte}")
  endforeach()
  list(JOIN bytes ", " bytes)
  set(${var} "{0x${a}, 0x${b}, 0x${c}, {${bytes}}}" PARENT_SCOPE)
endfunction()

function(qelrpt_com_write_ids file)
  foreach(kind CLSID IID LIBID)
    qelrpt_com_guid_initializer(${QELRPT_COM_${kind}} ${kind}_init)
    string(TOUPPER "{${QELRPT_COM_${kind}}}" ${kind}_text)
  endforeach()
  set(classes "Software\\\\Classes\\\\")
  set(class_key "${classes}CLSID\\\\${CLSID_text}")
  set(text "// Written by the build (cmake/com.cmake): the COM library's names, ids and keys.\n")
  string(APPEND text "#ifndef QELRPT_COM_IDS_H\n#define QELRPT_COM_IDS_H\n\n#include <windows.h>\n\n")
  string(APPEND text "namespace qelrpt {\n\n")
  string(APPEND text "inline constexpr GUID ClassId = ${CLSID_init};\n")
  string(APPEND text "inline constexpr GUID InterfaceId = ${IID_init};\n")
  string(APPEND text "inline constexpr GUID LibraryId = ${LIBID_init};\n")
  string(APPEND text "inline constexpr WORD LibraryMajor = ${PROJECT_VERSION_MAJOR};\n")
  string(APPEND text "inline constexpr WORD LibraryMinor = ${PROJECT_VERSION_MINOR};\n")
  string(APPEND text "inline constexpr DISPID PrefixFunctionsId = ${QELRPT_COM_PREFIX_DISPID};\n")
  string(APPEND text "inline constexpr wchar_t ProgId[] = L\"${QELRPT_COM_PROGID}\";\n")
  string(APPEND text "inline constexpr wchar_t ClassText[] = L\"${CLSID_text}\";\n")
  string(APPEND text "inline constexpr wchar_t LibraryText[] = L\"${LIBID_text}\";\n")
  string(APPEND text "inline constexpr wchar_t VersionText[] = L\"${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}\";\n")
  string(APPEND text "inline constexpr wchar_t Description[] = L\"qelrpt: ${PROJECT_DESCRIPTION}\";\n")
  string(APPEND text "inline constexpr wchar_t ClassesKey[] = L\"${classes}\";\n")
  string(APPEND text "inline constexpr wchar_t ClassKey[] = L\"${class_key}\";\n")
  string(APPEND text "inline constexpr wchar_t ServerKey[] = L\"${class_key}\\\\InprocServer32\";\n")
  string(APPEND text "inline constexpr wchar_t ClassProgIdKey[] = L\"${class_key}\\\\ProgID\";\n")
  string(APPEND text "inline constexpr wchar_t ClassTypeLibKey[] = L\"${class_key}\\\\TypeLib\";\n")
  string(APPEND text "inline constexpr wchar_t ClassVersionKey[] = L\"${class_key}\\\\Version\";\n")
  string(APPEND text "inline constexpr wchar_t ProgIdKey[] = L\"${classes}${QELRPT_COM_PROGID}\";\n")
  string(APPEND text "inline constexpr wchar_t ProgIdClassKey[] = L\"${classes}${QELRPT_COM_PROGID}\\\\CLSID\";\n")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(syskind win64)
  else()
    set(syskind win32)
  endif()
  set(typelib_key "TypeLib\\\\${LIBID_text}\\\\${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}\\\\0\\\\${syskind}")
  string(APPEND text "inline constexpr wchar_t TypeLibKey[] = L\"${typelib_key}\";\n")
  string(APPEND text "\n}  // namespace qelrpt\n\n#endif\n")
  qelrpt_write_if_changed(${file} "${text}")
endfunction()

qelrpt_com_interface_id(QELRPT_COM_IID)
file(MAKE_DIRECTORY ${QELRPT_COM_DIR})
qelrpt_com_write_idl(${QELRPT_COM_DIR}/qelrptcom.idl)
qelrpt_com_write_ids(${QELRPT_COM_DIR}/com_ids.h)

# widl, with the IDL files of Wine's headers (Debian's libwine-dev) for
# IDispatch and the automation types, and Wine's stdole2.tlb for the
# imported library.  widl stamps the type library with the time it ran;
# faketime fixes that time, so that one commit builds the same bytes.
find_program(QELRPT_WIDL NAMES ${QELRPT_MINGW_TRIPLET}-widl REQUIRED)
find_program(QELRPT_FAKETIME NAMES faketime REQUIRED)
find_path(QELRPT_WINE_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(QELRPT_STDOLE_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(widl_target --win64)
else()
  set(widl_target --win32)
endif()
set(QELRPT_COM_TLB ${QELRPT_COM_DIR}/qelrptcom.tlb)
add_custom_command(OUTPUT ${QELRPT_COM_TLB}
  COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${QELRPT_FAKETIME} -f "2000-01-01 00:00:00"
          ${QELRPT_WIDL} ${widl_target} -I ${QELRPT_WINE_IDL_DIR} -L ${QELRPT_STDOLE_DIR}
          -t -o ${QELRPT_COM_TLB} ${QELRPT_COM_DIR}/qelrptcom.idl
  DEPENDS ${QELRPT_COM_DIR}/qelrptcom.idl
  COMMENT "Compiling the type library qelrptcom.tlb"
  VERBATIM)

# The exports: the entry points of an in-process COM server (DllGetClassObject,
# DllCanUnloadNow, DllRegisterServer, DllUnregisterServer).
set(QELRPT_COM_EXPORT_LIST ${PROJECT_SOURCE_DIR}/src/com/exports.txt)
qelrpt_write_export_file(${QELRPT_COM_EXPORT_LIST} ${QELRPT_COM_DIR}/qelrptcom.def qelrptcom.dll)

# The version resource and the type library.
set(QELRPT_RC_FILE_NAME QELRPTCOM.DLL)
set(QELRPT_RC_TYPELIB "1 TYPELIB \"${QELRPT_COM_TLB}\"")
configure_file(${PROJECT_SOURCE_DIR}/resources/qelrpt.rc.in ${QELRPT_COM_DIR}/qelrptcom.rc @ONLY)
set_source_files_properties(${QELRPT_COM_DIR}/qelrptcom.rc PROPERTIES OBJECT_DEPENDS ${QELRPT_COM_TLB})

# src/com/unicode.h, which the COM library's adapters and the unit tests
# share, is header-only; the rest is Windows code.
add_library(qelrptcom SHARED
  src/com/adapters.cpp src/com/call_texts.cpp src/com/object.cpp src/com/server.cpp
  ${QELRPT_COM_DIR}/qelrptcom.def ${QELRPT_COM_DIR}/qelrptcom.rc)
set_target_properties(qelrptcom PROPERTIES PREFIX "" OUTPUT_NAME qelrptcom)
target_include_directories(qelrptcom PRIVATE src ${QELRPT_COM_DIR})
target_link_libraries(qelrptcom PRIVATE qelrpt_workers qelrpt_values qelrpt_warnings qelrpt_codegen
                      oleaut32 ole32 advapi32 uuid)
target_compile_options(qelrptcom PRIVATE -Wmissing-declarations)
# Like qelrpt.dll: the C++ run-time linked in, ASLR and DEP enabled.
target_link_options(qelrptcom PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--dynamicbase -Wl,--nxcompat)
