# The platform's parts of INSTALL.txt (cmake/INSTALL.txt.in, or for the
# package of the COM library alone, cmake/INSTALL-com.txt.in): how to check
# the download, how to try the library, how to register the COM library, in
# the shells of the platform.  Each command was tried as written: the
# Windows ones in cmd.exe (under Wine), the Linux ones in sh.
set(title "qelrpt ${PROJECT_VERSION}: QEL functions for reporting")
string(LENGTH "${title}" title_length)
string(REPEAT "=" ${title_length} QELRPT_INSTALL_TITLE_RULE)
set(package qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM})
# The functions by name, as the Formula Editor lists them.
qelrpt_table_function_list(functions ", ")
qelrpt_wrap(QELRPT_INSTALL_FUNCTIONS "(${functions})" 74 "   ")

# The SQLite extension, where the build has one (Linux).
set(QELRPT_INSTALL_SQLITE_ITEM "")
set(QELRPT_INSTALL_SQLITE_TEXT "")
if(TARGET qelrpt_sqlite)
  set(QELRPT_INSTALL_SQLITE_ITEM "- libqelrpt_sqlite.so: the same functions as an SQLite extension;
")
  set(QELRPT_INSTALL_SQLITE_TEXT "In SQLite
---------
In the folder qelrpt-${PROJECT_VERSION}:

  sqlite3 -cmd '.load ./libqelrpt_sqlite'

loads the functions into the sqlite3 shell; docs/sql.md tells more.

")
endif()

set(checksums_intro "Checking the download
---------------------
The folder the package was published in holds SHA256SUMS, one line per file:
its SHA-256 checksum, two blanks and its name.

")
set(QELRPT_INSTALL_SYMBOLS_TEXT "Debug symbols
-------------
The binaries are stripped. Their debug information is in the symbols
archive published beside this package:

  ${QELRPT_PACKAGE_SYMBOLS}

Unpack it into the folder of the binaries; gdb (for Windows programs under
Wine: winedbg --gdb) then finds each <binary>.debug through the binary's
.gnu_debuglink and shows function names and source lines in a backtrace.")

# The COM library (Windows packages): its line in the list, and its section.
set(QELRPT_INSTALL_COM_ITEM "")
set(QELRPT_INSTALL_COM_TEXT "")
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(width 64)
    set(folder "C:\\Program Files\\qelrpt")
    set(register "regsvr32")
    set(view "")
    set(other "the win32 package holds the one for 32-bit engines")
    set(how "in a cmd.exe started as administrator")
    set(engine_doc "docs/engine.md, in the sources and in the win32 package,")
  else()
    set(width 32)
    set(folder "C:\\Program Files (x86)\\qelrpt")
    set(register "C:\\Windows\\SysWOW64\\regsvr32.exe")
    set(view " /reg:32")
    set(other "the win64 package holds the one for 64-bit engines")
    set(how "with the 32-bit regsvr32 (on 32-bit Windows, regsvr32 alone), in a cmd.exe started as administrator")
    set(engine_doc "docs/engine.md")
  endif()
  set(QELRPT_INSTALL_COM_ITEM "- qelrptcom.dll: the same functions as a ${width}-bit COM user function
  library, for the engines that load COM libraries;
")
  qelrpt_wrap(com_functions "(${functions})" 74 "   ")
  qelrpt_wrap(com_intro "qelrptcom.dll gives the same functions, with the same answers, to report \
engines that load COM user function libraries: 64-bit designers and runtimes, and releases that load \
no C libraries. This file is for ${width}-bit engines, and ${other}. Load either qelrpt.dll or \
qelrptcom.dll into an engine, never both: their functions have the same names." 76 "")
  qelrpt_wrap(com_copy "Copy qelrptcom.dll into a folder of its own that stays, for example \
${folder}, and register it ${how}:" 76 "   ")
  string(REGEX REPLACE "^   " "1. " com_copy "${com_copy}")
  qelrpt_wrap(com_doc "${engine_doc} tells which engines load which library, and what the COM \
library does with text that the engine's code page cannot hold." 76 "")
  set(QELRPT_INSTALL_COM_TEXT "The COM library
---------------
${com_intro}

${com_copy}

     ${register} \"${folder}\\qelrptcom.dll\"

2. Check the registration:

     reg query HKCR\\CRUFLqelrpt.Functions\\CLSID${view}

   prints the class id. The engine lists the functions of each class whose
   name starts with CRUFL.
3. Restart the report designer: the functions
${com_functions}
   appear in its Formula Editor under these names.
4. Every machine that opens or prints a report that calls them needs the
   file, registered the same way. regsvr32 /u with the same path removes
   the registration again.

${com_doc}

")
endif()

if(WIN32)
  set(QELRPT_INSTALL_MAN_ITEM "")
  set(QELRPT_INSTALL_CHECKSUMS "${checksums_intro}In the folder with the downloaded files, in cmd.exe:

  certutil -hashfile ${package}.zip SHA256

or in PowerShell:

  Get-FileHash ${package}.zip -Algorithm SHA256

Each prints the file's checksum, which must be the one SHA256SUMS gives for
the file. Get-FileHash writes it in capitals, and older versions of certutil
put a blank between each two digits; neither changes the number. On Linux:

  sha256sum --ignore-missing -c SHA256SUMS")
  set(QELRPT_INSTALL_TRY "Unpack the zip into a new, empty folder (it holds its files at its top, in no
folder of its own) and open cmd.exe in that folder. Then:

  qelrpt-host.exe list
  qelrpt-host.exe eval \"QELIndentTagHier('A\\B\\C', 'A\\E\\F')\"
  qelrpt-host.exe report examples\\tags.csv
  qelrpt-gentags.exe --tags 10000 > tags.csv

In PowerShell, start the programs as .\\qelrpt-host.exe and
.\\qelrpt-gentags.exe, with the same arguments.

list prints the library's version and each function's definition, template
and example text, read from the library as the report engine reads them.
eval prints the result of one formula, here four blanks and E: the level
that A\\E\\F opens below A\\B\\C. Write the formula's strings in single quotes
and the whole formula in double quotes, as above: cmd.exe and PowerShell
then pass it intact. report prints the listing of the sample tags, and
qelrpt-gentags writes a larger sample. qelrpt-host.exe --help tells more;
so does docs/qelrpt-host.md.")
else()
  set(QELRPT_INSTALL_PDF "")
  if(QELRPT_PDF)
    set(QELRPT_INSTALL_PDF "

qelrpt-host needs the system's Cairo and Pango, with which report --format
pdf draws (on Debian: apt-get install libpangocairo-1.0-0, which brings
libcairo2).")
  endif()
  set(QELRPT_INSTALL_MAN_ITEM "- man/man1: the manual pages of qelrpt-host and qelrpt-gentags;
")
  set(QELRPT_INSTALL_CHECKSUMS "${checksums_intro}In the folder with the downloaded files:

  sha256sum --ignore-missing -c SHA256SUMS

On Windows, certutil -hashfile FILE SHA256 (cmd.exe) or Get-FileHash FILE
(PowerShell) prints a file's checksum, to compare with its line.")
  set(QELRPT_INSTALL_TRY "The package unpacks into the folder qelrpt-${PROJECT_VERSION}. There:

  ./qelrpt-host list
  ./qelrpt-host eval \"QELIndentTagHier('A\\B\\C', 'A\\E\\F')\"
  ./qelrpt-host report examples/tags.csv
  ./qelrpt-gentags --tags 10000 > tags.csv

list prints the library's version and each function's definition, template
and example text, read from the library as the report engine reads them.
eval prints the result of one formula, here four blanks and E: the level
that A\\E\\F opens below A\\B\\C. report prints the listing of the sample tags,
and qelrpt-gentags writes a larger sample. The manual pages tell more:

  man -l man/man1/qelrpt-host.1

The folder can be moved anywhere: qelrpt-host loads the libqelrpt.so beside
it. The Debian package installs the same files under /usr.${QELRPT_INSTALL_PDF}")
endif()
