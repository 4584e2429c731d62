# report --format pdf draws with Cairo and lays text out with Pango
# (libcairo2-dev, libpango1.0-dev), where this build finds them; elsewhere
# (the Windows cross builds, a 32-bit build without the i386 packages) the
# host says that it cannot write PDF.  QELRPT_PDF tells whether it can, and
# PkgConfig::QELRPT_PANGOCAIRO is what to link.
option(QELRPT_WITH_PDF "qelrpt-host writes PDF with Cairo and Pango where they are found" ON)
# The native presets ask for it: their host and packages must write PDF.
option(QELRPT_REQUIRE_PDF "Fail when Cairo and Pango are not found" OFF)
set(QELRPT_PDF OFF)
if(QELRPT_WITH_PDF AND NOT WIN32)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    set(saved_libdir "$ENV{PKG_CONFIG_LIBDIR}")
    if(CMAKE_CROSSCOMPILING OR QELRPT_X86_32)
      # Only the target's own packages, never the build machine's.
      set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:/usr/share/pkgconfig)
    endif()
    pkg_check_modules(QELRPT_PANGOCAIRO QUIET IMPORTED_TARGET GLOBAL pangocairo cairo-pdf)
    set(ENV{PKG_CONFIG_LIBDIR} "${saved_libdir}")
    if(QELRPT_PANGOCAIRO_FOUND)
      set(QELRPT_PDF ON)
    endif()
  endif()
endif()
if(QELRPT_PDF)
  message(STATUS "qelrpt-host writes PDF (Cairo ${QELRPT_PANGOCAIRO_cairo-pdf_VERSION}, "
                 "Pango ${QELRPT_PANGOCAIRO_pangocairo_VERSION})")
elseif(QELRPT_REQUIRE_PDF AND QELRPT_WITH_PDF)
  message(FATAL_ERROR "Cairo and Pango are not found for this target (pkg-config: pangocairo, cairo-pdf), "
                      "and this preset's qelrpt-host writes PDF: scripts/deps.sh main installs them")
else()
  message(STATUS "qelrpt-host without PDF: Cairo and Pango are not found for this target "
                 "(scripts/deps.sh main installs them for native builds)")
endif()
