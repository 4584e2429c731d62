# Hardening of the project's binaries.
#
# Linux: Debian's hardening flags, as `dpkg-buildflags` gives them with
# every hardening feature on (the stack protector, _FORTIFY_SOURCE, and the
# linker's -z relro and -z now), taken from it where it is installed and
# otherwise the same list written out.  Only the hardening flags are taken:
# the rest of its output (-O2, -g, a -ffile-prefix-map of the current
# folder) belongs to the build type and to the reproducible paths set above.
# _FORTIFY_SOURCE needs optimisation, so Debug builds go without it; the
# sanitizer builds go without all of it (they check more, and differently).
#
# Windows (mingw-w64 10): nothing more than the plug-in's link sets (ASLR
# and DEP; high-entropy ASLR is for 64-bit images only).  Its stack
# protector and its _FORTIFY_SOURCE both need libssp (__stack_chk_fail,
# __memcpy_chk), whose guard is seeded through ADVAPI32.dll, which the
# plug-in must not import (tests/binary checks the import list).
if(WIN32 OR CMAKE_CXX_FLAGS MATCHES "-fsanitize=" OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  return()
endif()

set(QELRPT_HARDENING_COMPILE -fstack-protector-strong -D_FORTIFY_SOURCE=2)
set(QELRPT_HARDENING_LINK -Wl,-z,relro -Wl,-z,now)
find_program(QELRPT_DPKG_BUILDFLAGS dpkg-buildflags)
if(QELRPT_DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${QELRPT_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    separate_arguments(flags_${kind} UNIX_COMMAND "${flags_${kind}}")
  endforeach()
  set(compile ${flags_CPPFLAGS} ${flags_CXXFLAGS})
  list(FILTER compile INCLUDE REGEX "^(-fstack-protector.*|-fstack-clash-protection|-fcf-protection.*|-D_FORTIFY_SOURCE=.*)$")
  set(link ${flags_LDFLAGS})
  list(FILTER link INCLUDE REGEX "^-Wl,-z,.*$")
  if(compile AND link)
    set(QELRPT_HARDENING_COMPILE ${compile})
    set(QELRPT_HARDENING_LINK ${link})
  endif()
endif()
foreach(flag ${QELRPT_HARDENING_COMPILE})
  if(flag MATCHES "^-D_FORTIFY_SOURCE=")
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
  else()
    add_compile_options(${flag})
  endif()
endforeach()
add_link_options(${QELRPT_HARDENING_LINK})
message(STATUS "Hardening: ${QELRPT_HARDENING_COMPILE} ${QELRPT_HARDENING_LINK}")
