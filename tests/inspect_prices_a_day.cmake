# Runs pelmora-inspect --tariff --at on the real time-of-use tariff, and
# --day with it on a day file of two minutes worked out by hand: 16:00
# imports 1 kWh at 0.5878, 16:01 produces 1.5 kWh, uses 0.5 kWh of it
# (saving 0.5 kWh at 0.5878) and exports 1 kWh, which this tariff buys at 0.
function(expect_output expected)
  execute_process(COMMAND "${INSPECT}" ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
    message(FATAL_ERROR "pelmora-inspect ${ARGN} exited with ${rc} and printed:\n${out}")
  endif()
endfunction()
expect_output("Buy 0.5878 USD/kWh, sell 0 USD/kWh\n" --tariff "${TARIFF}" --at 2024-08-06T16:30)
expect_output("Buy 0.31377 USD/kWh, sell 0 USD/kWh\n" --tariff "${TARIFF}" --at 2025-01-01T00:00)
expect_output("Produced 1.5 kWh, consumed 1.5 kWh, imported 1.0 kWh, exported 1.0 kWh
Self-sufficiency 33.3 %, self-consumption 33.3 %
Covers 2 of 1,440 minutes
Bought 0.59 USD, sold 0.00 USD, net 0.59 USD, savings 0.29 USD
" --day "${DAY}" --tariff "${TARIFF}")
