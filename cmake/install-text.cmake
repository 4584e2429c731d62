# The platform's parts of INSTALL.txt (cmake/INSTALL.txt.in): how to check
# the download and how to try the library, in the shells of the platform.
# Each command was tried as written: the Windows ones in cmd.exe (under
# Wine), the Linux ones in sh.
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

if(WIN32)
  set(QELRPT_INSTALL_MAN_ITEM "")
  set(QELRPT_INSTALL_CHECKSUMS "In the folder with the downloaded files, in cmd.exe:

  certutil -hashfile ${package}.zip SHA256

or in PowerShell:

  Get-FileHash ${package}.zip -Algorithm SHA256

Each prints the file's checksum, which must be the one SHA256SUMS gives for
the file. Get-FileHash writes it in capitals, and older versions of certutil
put a blank between each two digits; neither changes the number. On Linux:

  sha256sum --ignore-missing -c SHA256SUMS")
  set(QELRPT_INSTALL_TRY "Unpack the zip and open cmd.exe in the folder it made. Then:

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
  set(QELRPT_INSTALL_MAN_ITEM "- man/man1: the manual pages of qelrpt-host and qelrpt-gentags;
")
  set(QELRPT_INSTALL_CHECKSUMS "In the folder with the downloaded files:

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
it. The Debian package installs the same files under /usr.")
endif()
