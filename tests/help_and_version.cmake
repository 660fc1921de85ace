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
expect_answer("${PELMORA}" --help "^Usage: Pelmora \\[--tray\\] \\[ADDRESS\\]\n")
expect_answer("${PELMORA}" --version "^Pelmora 2\\.5\\.1\n$")
expect_answer("${PELMORA_B}" --version "^PelmoraB 2\\.5\\.1\n$")
expect_answer("${GATEWAY}" --help "^usage: pelmora-gateway ")
expect_answer("${INSPECT}" --help "^usage: pelmora-inspect .*--site READINGS")
expect_answer("${GATEWAY}" --version "^pelmora-gateway 2\\.5\\.1\n$")
expect_answer("${INSPECT}" --version "^pelmora-inspect 2\\.5\\.1\n$")
# A wrong argument is still a usage error, and the message names it.
function(expect_refused program)
  execute_process(COMMAND "${program}" ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 20)
  string(REPLACE ";" " " wrong "${ARGN}")
  list(GET ARGN -1 last)
  string(FIND "${err}" "${last}" named)
  if(NOT rc EQUAL 2 OR NOT out STREQUAL "" OR named EQUAL -1)
    message(FATAL_ERROR "${program} ${wrong}: status ${rc}, out: ${out}, err: ${err}")
  endif()
endfunction()
expect_refused("${GATEWAY}" --no-such-option)
expect_refused("${GATEWAY}" --hour 25)
expect_refused("${GATEWAY}" --site moon)
expect_refused("${INSPECT}" --read doc.json --no-such-option)
