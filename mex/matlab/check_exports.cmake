# Checks that a MATLAB extension library exports exactly mexFunction and
# mexVersion from its dynamic symbol table.
#   cmake -DNM=<nm> -DLIBRARY=<file> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm -D failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [TtDdBbRrWwVvi] [^\n]+" entries "${symbols}")
set(exported "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$" "\\1;\\2" parts "${entry}")
  list(GET parts 0 kind)
  list(GET parts 1 name)
  # A versioned symbol reads NAME@@NODE; the node is the map file's.
  string(REGEX REPLACE "@.*$" "" name "${name}")
  if(kind MATCHES "^[A-Z]$")
    list(APPEND exported "${name}")
  endif()
endforeach()
list(SORT exported)
if(NOT exported STREQUAL "mexFunction;mexVersion")
  message(FATAL_ERROR "${LIBRARY} exports [${exported}], expected [mexFunction;mexVersion]")
endif()
message(STATUS "${LIBRARY} exports mexFunction and mexVersion only")
