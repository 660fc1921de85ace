# Runs pelmora-inspect --site on the real battery document and its meter
# list: the three meters by type, and the battery and house load as read off
# the document by hand (storage -7,083.656 W; 7,131.017 + 1,749.504 - 7,083.656).
execute_process(COMMAND "${INSPECT}" --site "${DOCUMENT}" OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pelmora-inspect --site exited with ${rc}")
endif()
foreach(expected "storage           eid 704643840  -7083.7 W  phases: -3538.4 W -3545.2 W"
                 "Battery: -7083.7 W \\(charging\\)" "House load without the battery: 1796.9 W"
                 "Consumption \\(production \\+ net\\): 8880.5 W")
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "missing \"${expected}\":\n${out}")
  endif()
endforeach()
