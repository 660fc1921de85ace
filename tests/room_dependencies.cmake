# Fails when a room of the core includes a header it may not use. Data flow
# one way: the seams, then the gateway, the read, the site and its counters,
# then history, publishing and the desktop alerts, which never include one
# another; app/ wires them all. An entry is a whole room or one header.
set(allowed_platform "")
set(allowed_form platform phases records readings/number_text.h)
set(allowed_gateway platform readings/number_text.h)
set(allowed_phases platform readings/number_text.h readings/readings_parser.h)
set(allowed_records platform readings/number_text.h readings/decimal_digits.h)
set(allowed_readings platform gateway phases records site/site_reading.h site/meter_counters.h
    site/site_equipment.h)
set(allowed_access platform gateway records/utc_text.h)
set(allowed_site platform gateway readings/finished_read.h readings/number_text.h records/date_time.h)
set(allowed_history platform readings records site)
set(allowed_publish platform readings records/utc_text.h site/site_equipment.h site/equipment_text.h)
set(allowed_desktop platform access gateway readings records site/site_equipment.h)
set(allowed_app platform form gateway phases records readings access site history publish desktop)

# The front ends draw what app/ and the core give them through their own
# platform sides, never through the other front end's; a platform side
# never reaches a front end.
set(core_rooms platform form gateway phases records readings access site history publish desktop app)
set(allowed_shell ${core_rooms} qt posix curl mqtt)
set(allowed_windows ${core_rooms} win32 mqtt)
set(allowed_qt platform records)
set(allowed_win32 platform gateway records)

set(rooms ${core_rooms} shell windows qt win32)
set(offenders "")
foreach(room ${rooms})
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${room}/*.h" "${SOURCE_DIR}/${room}/*.cpp")
  foreach(src ${sources})
    file(STRINGS "${src}" lines REGEX "^#[ \t]*include[ \t]*\"[a-z0-9_]+/")
    foreach(line ${lines})
      string(REGEX REPLACE "^#[ \t]*include[ \t]*\"(([a-z0-9_]+)/[^\"]+)\".*" "\\1;\\2" pieces "${line}")
      list(GET pieces 0 header)
      list(GET pieces 1 used)
      if(used STREQUAL room)
        continue()
      endif()
      list(FIND allowed_${room} "${used}" whole)
      list(FIND allowed_${room} "${header}" one)
      if(whole EQUAL -1 AND one EQUAL -1)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${src}")
        list(APPEND offenders "${shown} includes ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "includes against the one-way flow of the rooms:\n  ${text}")
endif()
