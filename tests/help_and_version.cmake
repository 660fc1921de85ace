# Each program's --help (and Pelmora's --version), as the only argument,
# prints its text on standard output, nothing on standard error, and ends
# with status 0 without opening a window or serving anything.
function(expect_answer program argument pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb
                          "${program}" ${argument}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 20)
  if(NOT rc EQUAL 0 OR NOT err STREQUAL "" OR NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "${program} ${argument}: status ${rc}\nout: ${out}\nerr: ${err}")
  endif()
endfunction()
expect_answer("${PELMORA}" --help "^Usage: Pelmora \\[ADDRESS\\]\n")
expect_answer("${PELMORA}" --version "^Pelmora 2\\.5\\.1\n$")
expect_answer("${PELMORA_B}" --version "^PelmoraB 2\\.5\\.1\n$")
expect_answer("${GATEWAY}" --help "^usage: pelmora-gateway ")
expect_answer("${INSPECT}" --help "^usage: pelmora-inspect ")
# A wrong argument is still a usage error.
execute_process(COMMAND "${GATEWAY}" --no-such-option OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 2 OR NOT out STREQUAL "")
  message(FATAL_ERROR "pelmora-gateway --no-such-option: status ${rc}, out: ${out}")
endif()
