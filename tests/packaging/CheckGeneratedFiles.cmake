# cmake -DINF=<Dornik.inf> -DRULES=<60-corvane.rules> -P CheckGeneratedFiles.cmake:
# the build's INF and udev rule carry exactly the ids of the project's list,
# and the rule is one udev reads (checked by udevadm itself where it can).
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${root}/cmake/ProjectorUsbIds.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/UsbIdChecks.cmake)

corvane_read_usb_ids(ids descriptions)
check_inf_ids(${INF} "${ids}")
check_udev_rule_ids(${RULES} "${ids}")
check_udev_rule_syntax(${RULES})

# udevadm verify came with systemd 253; older ones have only the check above.
find_program(UDEVADM udevadm PATHS /usr/bin /bin /sbin /usr/sbin)
if(UDEVADM)
  execute_process(COMMAND ${UDEVADM} verify --help RESULT_VARIABLE no_verify
    OUTPUT_QUIET ERROR_QUIET)
  if(NOT no_verify)
    execute_process(COMMAND ${UDEVADM} verify --resolve-names=never ${RULES}
      RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed)
      message(FATAL_ERROR "udevadm verify refuses ${RULES}:\n${output}")
    endif()
    message(STATUS "udevadm verify: ${RULES} is valid")
  else()
    message(STATUS "this udevadm has no verify; the rule was parsed here only")
  endif()
endif()
