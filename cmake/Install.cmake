# What `cmake --install` places: the real driver toolkit (libusb) and the host
# libraries, their public headers, pkg-config files, a CMake package and the
# udev rules for the adapters (the tool, its manual page and its guide are
# installed by tools/tess). The simulated toolkit and its header are for
# tests and demos and are not installed.
include(CMakePackageConfigHelpers)

set(TB_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Tessbridge"
  CACHE STRING "Where the CMake package files go, relative to the prefix")
# udev reads /usr/lib/udev/rules.d (packages) and /etc/udev/rules.d (local);
# with another prefix, point this at one of them or copy the rule there.
set(TB_UDEV_RULES_DIR "lib/udev/rules.d"
  CACHE STRING "Where the udev rule goes, relative to the prefix or absolute")

# libtessbridge finds the toolkit installed beside it, wherever the prefix is;
# LD_LIBRARY_PATH can still pick another libwdapi801.so.
set_property(TARGET tessbridge PROPERTY INSTALL_RPATH "$ORIGIN")

# The package config declares the imported targets itself (see the .cmake.in).
install(TARGETS wdapi801_libusb tessbridge LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
set(_tb_headers include/wdapi801.h include/tessbridge.h)
if(TARGET tesslink)
  install(TARGETS tesslink LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  list(APPEND _tb_headers include/tesslink.h)
  # The Java class PMBus, for programs that use the JNI natives.
  install_jar(tesslink_pmbus_jar DESTINATION ${CMAKE_INSTALL_DATADIR}/java)
endif()
install(FILES ${_tb_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/packaging/TessbridgeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/TessbridgeConfig.cmake
  INSTALL_DESTINATION ${TB_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/packaging/TessbridgeConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/packaging/TessbridgeConfig.cmake
  ${PROJECT_BINARY_DIR}/packaging/TessbridgeConfigVersion.cmake
  DESTINATION ${TB_INSTALL_CMAKEDIR})

# pkg-config files locate the prefix from their own place, so they stay right
# under `cmake --install --prefix`.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR must be relative to the prefix")
endif()
file(RELATIVE_PATH TB_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" TB_PC_TO_PREFIX "${TB_PC_TO_PREFIX}")
set(_tb_pc_files tessbridge wdapi801)
if(TARGET tesslink)
  list(APPEND _tb_pc_files tesslink)
endif()
foreach(_tb_pc IN LISTS _tb_pc_files)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${_tb_pc}.pc.in
    ${PROJECT_BINARY_DIR}/packaging/${_tb_pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${_tb_pc}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

set(_tb_udev_rules ${PROJECT_SOURCE_DIR}/packaging/70-tessbridge-adapters.rules)
if(TARGET tesslink)
  list(APPEND _tb_udev_rules ${PROJECT_SOURCE_DIR}/packaging/70-tesslink-adapter.rules)
endif()
install(FILES ${_tb_udev_rules}
  DESTINATION ${TB_UDEV_RULES_DIR}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
