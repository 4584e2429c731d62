# Shared by the scripts of the tools' tests (cmake -P).

# Splits `text` into lines, as the variables <prefix>_0, <prefix>_1, ...
# and <prefix>_count (a line may hold list separators).
function(split_lines text prefix)
  set(index 0)
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    if(end EQUAL -1)
      set(line "${text}")
      set(text "")
    else()
      string(SUBSTRING "${text}" 0 ${end} line)
      math(EXPR end "${end} + 1")
      string(SUBSTRING "${text}" ${end} -1 text)
    endif()
    set(${prefix}_${index} "${line}" PARENT_SCOPE)
    math(EXPR index "${index} + 1")
  endwhile()
  set(${prefix}_count ${index} PARENT_SCOPE)
endfunction()
