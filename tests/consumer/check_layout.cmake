# Checks an installed prefix: cmake -DPREFIX=... -DLIBDIR=... -P check_layout.cmake
set(errors "")
foreach(path
    ${LIBDIR}/libtessbridge.so ${LIBDIR}/libwdapi801.so
    include/tessbridge.h include/wdapi801.h
    ${LIBDIR}/pkgconfig/tessbridge.pc ${LIBDIR}/pkgconfig/wdapi801.pc
    ${LIBDIR}/cmake/Tessbridge/TessbridgeConfig.cmake
    ${LIBDIR}/cmake/Tessbridge/TessbridgeConfigVersion.cmake)
  if(NOT EXISTS "${PREFIX}/${path}")
    string(APPEND errors "missing: ${path}\n")
  endif()
endforeach()

# The simulated toolkit is for tests and demos only.
file(GLOB_RECURSE sim_files "${PREFIX}/*sim*")
if(sim_files)
  string(APPEND errors "simulated toolkit files installed: ${sim_files}\n")
endif()
# The installed toolkit is the real one.
file(STRINGS "${PREFIX}/${LIBDIR}/libwdapi801.so" usb_needed REGEX "libusb-1\\.0\\.so")
if(NOT usb_needed)
  string(APPEND errors "libwdapi801.so is not the libusb toolkit\n")
endif()

# The udev rules tag the adapters' IDs for the seat's user: the bulk adapters'
# USB devices, and the HID adapter's hidraw node.
file(GLOB_RECURSE rules "${PREFIX}/*.rules")
set(rule_text "")
foreach(rule IN LISTS rules)
  file(READ "${rule}" text)
  string(APPEND rule_text "${text}")
endforeach()
if(NOT rules)
  string(APPEND errors "no udev rule installed\n")
else()
  foreach(pair "04cc\", ATTR{idProduct}==\"f297" "18e4\", ATTR{idProduct}==\"2000")
    string(FIND "${rule_text}" "ATTR{idVendor}==\"${pair}\", TAG+=\"uaccess\"" at)
    if(at LESS 0)
      string(APPEND errors "udev rule lacks ${pair} with the uaccess tag\n")
    endif()
  endforeach()
  if(WITH_TESSLINK)
    string(FIND "${rule_text}" "SUBSYSTEM!=\"hidraw\", GOTO=\"tesslink_adapter_end\"" hidraw_at)
    string(FIND "${rule_text}"
      "ATTRS{idVendor}==\"04d8\", ATTRS{idProduct}==\"ff5c\", TAG+=\"uaccess\"" hid_at)
    if(hidraw_at LESS 0 OR hid_at LESS 0)
      string(APPEND errors "no udev rule gives the seat's user the HID adapter's hidraw node\n")
    endif()
  endif()
  if(rule_text MATCHES "MODE=\"0?[0-7][0-7][2367]\"")
    string(APPEND errors "udev rule makes a node world-writable\n")
  endif()
endif()

# The tool with its manual page and its guide.
if(WITH_TESS)
  foreach(path bin/tess share/man/man1/tess.1 share/doc/tess/tool.md)
    if(NOT EXISTS "${PREFIX}/${path}")
      string(APPEND errors "missing: ${path}\n")
    endif()
  endforeach()
endif()

execute_process(COMMAND find "${PREFIX}" ! -type l -perm -0002 -print
  OUTPUT_VARIABLE writable OUTPUT_STRIP_TRAILING_WHITESPACE)
if(writable)
  string(APPEND errors "world-writable: ${writable}\n")
endif()

if(errors)
  message(FATAL_ERROR "${errors}")
endif()
message(STATUS "installed layout as expected in ${PREFIX}")
