# Runs korvelBBW with arguments it must refuse and checks the exit status
# and that a message names the problem.
foreach(args "-x" "-p=missing_wc.txt" "-p=missing_wc.mtp" "-p=a.mtp;-k=two")
  execute_process(COMMAND ${BBW} ${args} RESULT_VARIABLE status ERROR_VARIABLE message)
  if(NOT status EQUAL 2)
    message(FATAL_ERROR "korvelBBW ${args}: status ${status}, expected 2")
  endif()
  if(NOT message MATCHES "korvelBBW: ")
    message(FATAL_ERROR "korvelBBW ${args}: no message (${message})")
  endif()
  if(EXISTS missing_wc1.mtp)
    message(FATAL_ERROR "korvelBBW ${args} left a result file")
  endif()
endforeach()
