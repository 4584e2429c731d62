# Per-generator package settings, read by cpack for each generator: the
# archives unpack flat into any folder; the Debian package installs into
# /opt/qelrpt.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/qelrpt)
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
