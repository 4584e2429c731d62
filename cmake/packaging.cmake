# Install rules and packages (CPack).  Every package is flat: the plug-in
# and qelrpt-host side by side (qelrpt-host loads the library beside it),
# the public header under include/, and the documents.
#
#   win32 preset:  qelrpt-<version>-win32.zip
#   linux preset:  qelrpt-<version>-linux-x86_64.tar.gz and a .deb
#                  (installing into /opt/qelrpt)
if(WIN32)
  set(QELRPT_PACKAGE_LIBRARY "qelrpt.dll     ")
  set(QELRPT_PACKAGE_HOST "qelrpt-host.exe")
  set(QELRPT_PACKAGE_HOST_RUN "qelrpt-host.exe")
  set(QELRPT_PACKAGE_SYSTEM win32)
  set(CPACK_GENERATOR ZIP)
else()
  set(QELRPT_PACKAGE_LIBRARY "libqelrpt.so   ")
  set(QELRPT_PACKAGE_HOST "qelrpt-host    ")
  set(QELRPT_PACKAGE_HOST_RUN "./qelrpt-host")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QELRPT_PACKAGE_SYSTEM linux-x86_64)
  else()
    set(QELRPT_PACKAGE_SYSTEM linux-x86)
  endif()
  set(CPACK_GENERATOR TGZ DEB)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/INSTALL.txt.in ${CMAKE_BINARY_DIR}/INSTALL.txt @ONLY)

install(TARGETS qelrpt RUNTIME DESTINATION . LIBRARY DESTINATION .)
if(TARGET qelrpt-host)
  install(TARGETS qelrpt-host RUNTIME DESTINATION .)
endif()
install(FILES include/qelrpt.h DESTINATION include)
install(FILES README.md LICENSE ${CMAKE_BINARY_DIR}/INSTALL.txt DESTINATION .)

set(CPACK_PACKAGE_NAME qelrpt)
set(CPACK_PACKAGE_VENDOR "The qelrpt developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}: formula functions for tag listings")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The qelrpt developers <dev@qelrpt.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake)
include(CPack)

# The packages as a user gets them: each unpacked into an empty folder, and
# its qelrpt-host run from there.
if(QELRPT_BUILD_TESTS AND TARGET qelrpt-host AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  if(WIN32)
    set(package_generators ZIP)
  elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(package_generators "TGZ;DEB")
  else()
    set(package_generators TGZ)
  endif()
  add_test(NAME qelrpt_packages
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DCPACK=${CMAKE_CPACK_COMMAND}
            "-DGENERATORS=${package_generators}" -DHOST=$<TARGET_FILE_NAME:qelrpt-host>
            "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DRUN=${QELRPT_RUNS_PROGRAMS}
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_package.cmake)
  set_tests_properties(qelrpt_packages PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=" RUN_SERIAL TRUE)
endif()
