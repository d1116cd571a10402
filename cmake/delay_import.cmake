# Writes an import library that loads its DLL on the first call of one of
# its functions rather than with the program: every function the system's
# import library lists, bound through MinGW's __delayLoadHelper2.
#   cmake -DNM=.. -DDLLTOOL=.. -DIMPORT_LIB=libX.a -DDLL=X.dll -DOUT=libX_delay.a -P delay_import.cmake
foreach(var NM DLLTOOL IMPORT_LIB DLL OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "delay_import.cmake: ${var} is not set")
  endif()
endforeach()
execute_process(COMMAND ${NM} -g --defined-only ${IMPORT_LIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIB}")
endif()
# Each function has its "__imp_" pointer in the import section (type I).
string(REGEX MATCHALL "[ \t]I __imp_[^\r\n]+" imports "${symbols}")
set(def "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line ${imports})
  string(REGEX REPLACE "^[ \t]I __imp_" "" name "${line}")
  string(APPEND def "${name}\n")
endforeach()
get_filename_component(dir ${OUT} DIRECTORY)
get_filename_component(stem ${OUT} NAME_WE)
file(WRITE ${dir}/${stem}.def "${def}")
file(REMOVE ${OUT})
execute_process(COMMAND ${DLLTOOL} --input-def ${dir}/${stem}.def --output-delaylib ${OUT} --dllname ${DLL}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${DLLTOOL} could not write ${OUT}")
endif()
