# cmake -DCHECK=inf|rule|syntax -DFILE=<file> [-DIDS=<id>,<id>...]
#   -P RunCheck.cmake: one check of UsbIdChecks.cmake in a process of its own,
# so that a test can expect it to fail.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/UsbIdChecks.cmake)

string(REPLACE "," ";" ids "${IDS}")
if(CHECK STREQUAL "inf")
  check_inf_ids(${FILE} "${ids}")
elseif(CHECK STREQUAL "rule")
  check_udev_rule_ids(${FILE} "${ids}")
elseif(CHECK STREQUAL "syntax")
  check_udev_rule_syntax(${FILE})
else()
  message(FATAL_ERROR "no check named ${CHECK}")
endif()
