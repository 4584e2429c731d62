# Per-generator package settings, read by cpack for each generator: the
# archives unpack flat into any folder; the Debian package installs under
# /usr (package-prepare.cmake lays its files out the Debian way).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
