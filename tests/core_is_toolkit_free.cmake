# Fails when a source of the toolkit-free core or of the seams includes a
# toolkit, MQTT, HTTP or operating-system header; those belong to the sides
# (posix/, qt/, mqtt/, curl/, win32/) and the front ends.
set(core_dirs readings phases records form gateway platform access publish history site desktop app)
set(side_headers "Q[A-Za-z]|qt|mosquitto|curl/|openssl/|unistd|fcntl|sys/|pthread|windows|winhttp|dirent|poll\\.h")
set(offenders "")
foreach(dir ${core_dirs})
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.cpp")
  foreach(src ${sources})
    file(STRINGS "${src}" lines REGEX "#[ \t]*include[ \t]*<(${side_headers})")
    if(lines)
      list(APPEND offenders "${src}")
    endif()
  endforeach()
endforeach()
if(offenders)
  message(FATAL_ERROR "toolkit or system headers in the core: ${offenders}")
endif()
