# cmake -DWORK=<folder> -P GeneratorsFollowList.cmake: the INF and the udev
# rule made from a list of several ids, written in both cases and with
# comments and blank lines between them, carry each of its ids in the case
# their reader expects; the INF keeps the rest of its template unchanged and
# says nothing of the placeholder id once the list no longer holds it.
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/UsbIdChecks.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/ids.txt
  "# three projectors\n"
  "ABCD:EF01 First projector\n"
  "\n"
  "  # an indented comment\n"
  "0a0b:0C0D\tSecond projector, after a tab\n"
  "ffff:0000 Third projector\n")
set(ids "abcd:ef01;0a0b:0c0d;ffff:0000")

execute_process(COMMAND ${CMAKE_COMMAND} -DLIST=${WORK}/ids.txt -DOUT=${WORK}
  -P ${CMAKE_CURRENT_LIST_DIR}/GenerateFromList.cmake RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the files could not be made from a list of three ids")
endif()
check_inf_ids(${WORK}/Dornik.inf "${ids}")
check_udev_rule_ids(${WORK}/60-corvane.rules "${ids}")
check_udev_rule_syntax(${WORK}/60-corvane.rules)

file(READ ${WORK}/Dornik.inf inf)
foreach(hardware_id "USB\\VID_ABCD&PID_EF01" "USB\\VID_0A0B&PID_0C0D" "USB\\VID_FFFF&PID_0000")
  string(FIND "${inf}" "%Projector.DeviceDesc%=Dornik.Install,${hardware_id}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "Dornik.inf has no model line for ${hardware_id}")
  endif()
endforeach()
if(inf MATCHES "PLACEHOLDER|1209")
  message(FATAL_ERROR "Dornik.inf speaks of the placeholder id, which the list does not hold")
endif()

# Every line of the template but its markers, in its order, and nothing else
# beside the manufacturer's and the model lines.
read_lines(${root}/driver/Dornik.inf.in template_lines)
list(FILTER template_lines EXCLUDE REGEX "^@[A-Z0-9_]+@$")
read_lines(${WORK}/Dornik.inf inf_lines)
list(FILTER inf_lines EXCLUDE REGEX "^%Projector.DeviceDesc%=Dornik.Install,")
if(NOT inf_lines MATCHES "(^|;)%Mfg%=Moravex;")
  message(FATAL_ERROR "Dornik.inf names the manufacturer's models otherwise than plainly")
endif()
list(REMOVE_ITEM inf_lines "%Mfg%=Moravex")
if(NOT inf_lines STREQUAL template_lines)
  message(FATAL_ERROR "Dornik.inf differs from its template beyond the model lines")
endif()

# The x86_64 test build's INF: the same ids in a model section for 64-bit
# Windows beside the plain one.
execute_process(COMMAND ${CMAKE_COMMAND} -DLIST=${WORK}/ids.txt -DOUT=${WORK}/amd64 -DWITH_AMD64=ON
  -P ${CMAKE_CURRENT_LIST_DIR}/GenerateFromList.cmake RESULT_VARIABLE failed)
file(STRINGS ${WORK}/amd64/Dornik.inf manufacturer REGEX "^%Mfg%=")
if(failed OR NOT manufacturer STREQUAL "%Mfg%=Moravex,NTamd64")
  message(FATAL_ERROR "the x86_64 INF names no NTamd64 models: ${manufacturer}")
endif()
check_inf_ids(${WORK}/amd64/Dornik.inf "${ids}")
file(READ ${root}/driver/Dornik.inf.in template)
string(FIND "${template}" "\r\n" template_crlf)
string(FIND "${inf}" "\r\n" inf_crlf)
if((template_crlf EQUAL -1) AND NOT (inf_crlf EQUAL -1))
  message(FATAL_ERROR "Dornik.inf has CR LF line ends, its template LF")
endif()
if(NOT (template_crlf EQUAL -1) AND (inf_crlf EQUAL -1))
  message(FATAL_ERROR "Dornik.inf has LF line ends, its template CR LF")
endif()
