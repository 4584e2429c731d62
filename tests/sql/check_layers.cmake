# The SQL modules carry the workers and nothing of the plug-in's host
# interface: no library entry point (UF...), no formula entry point
# (QELFormula_...), not even as a local symbol.
#
#   cmake -DNM=nm -DMODULES="a.so;b.so" -P check_layers.cmake
foreach(module IN LISTS MODULES)
  execute_process(COMMAND ${NM} ${module} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${module} failed")
  endif()
  string(REGEX MATCHALL " [A-Za-z] (UF[A-Z][A-Za-z]*|QELFormula_[A-Za-z]+)\n" host "${symbols}")
  if(host)
    message(FATAL_ERROR "${module} carries the plug-in's host interface:${host}")
  endif()
  if(NOT symbols MATCHES "WildcardMatch")
    message(FATAL_ERROR "${module}: no worker found among its symbols (stripped?)")
  endif()
endforeach()
message(STATUS "the SQL modules carry the workers only")
