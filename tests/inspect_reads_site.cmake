# Runs pelmora-inspect --site on every captured document of the battery site,
# in the order a shell lists them: the three meters by type, the battery and
# house load as read off the readings by hand (storage -7,083.656 W;
# 7,131.017 + 1,749.504 - 7,083.656), and the batteries, grid switch,
# inverters and gateway of the documents beside it.
get_filename_component(folder "${DOCUMENT}" DIRECTORY)
file(GLOB documents "${folder}/fw-8.2.4286-battery*")
execute_process(COMMAND "${INSPECT}" --site ${documents} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pelmora-inspect --site exited with ${rc}")
endif()
foreach(expected "storage           eid 704643840  -7083.7 W  phases: -3538.4 W -3545.2 W"
                 "Battery: -7083.7 W \\(charging\\)" "House load without the battery: 1796.9 W"
                 "Consumption \\(production \\+ net\\): 8880.5 W"
                 "Battery: 46 % \\(11.6 of 25.0 kWh\\), reserve 20 %, self-consumption"
                 "ensemble-power.json: battery power" "Grid: connected" "Inverters: 35, 35 reporting, 7,010 W")
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "missing \"${expected}\":\n${out}")
  endif()
endforeach()
