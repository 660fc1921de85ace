# Runs pelmora-inspect --read on the fixture document: every box and the
# four lines of the output file come out.
execute_process(COMMAND "${INSPECT}" --read "${DOCUMENT}" --zone-offset 3600 OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pelmora-inspect --read exited with ${rc}")
endif()
foreach(expected "TimeStamp   2023-11-14 23:13:20" "Production  3,785.0" "green \\(export\\)"
                 "Output file \\(E:.Meters.txt\\), lines ended by CR LF:" "  \"2023-11-14 23:13:20\"")
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "missing '${expected}' in:\n${out}")
  endif()
endforeach()
