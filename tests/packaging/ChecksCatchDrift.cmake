# cmake -DWORK=<folder> -DINF=<Dornik.inf> -DRULES=<60-corvane.rules>
#   -P ChecksCatchDrift.cmake: the checks that hold the INF and the udev rule
# to the list refuse copies of them changed the ways they could drift: an id
# missing, doubled, added, in the wrong case or out of place, a rule that
# lost a part, and lines udev would not read.
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${root}/cmake/ProjectorUsbIds.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
corvane_read_usb_ids(ids descriptions)
string(REPLACE ";" "," id_argument "${ids}")
file(READ ${INF} inf)
file(READ ${RULES} rules)
if(NOT inf MATCHES "(%Projector.DeviceDesc%=Dornik.Install,[^\n]*\n)")
  message(FATAL_ERROR "${INF} has no model line")
endif()
set(model_line "${CMAKE_MATCH_1}")
if(NOT rules MATCHES "(SUBSYSTEM==[^\n]*\n)")
  message(FATAL_ERROR "${RULES} has no rule")
endif()
set(rule_line "${CMAKE_MATCH_1}")

set(count 0)
# Runs <check> on <content>, which must fail it with <expected> in the message.
function(expect_refused check content expected)
  math(EXPR number "${count} + 1")
  set(count ${number} PARENT_SCOPE)
  set(file ${WORK}/case-${number})
  file(WRITE ${file} "${content}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DCHECK=${check} -DFILE=${file} -DIDS=${id_argument}
    -P ${CMAKE_CURRENT_LIST_DIR}/RunCheck.cmake
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # CMake wraps its messages to the terminal's width.
  string(REGEX REPLACE "[ \t\r\n]+" " " output "${output}")
  string(FIND "${output}" "${expected}" at)
  if(NOT result OR at EQUAL -1)
    message(FATAL_ERROR "the ${check} check did not refuse ${file} with \"${expected}\":\n${output}")
  endif()
endfunction()

# The unchanged files pass, or the refusals below would prove nothing.
set(checks inf rule syntax)
set(files ${INF} ${RULES} ${RULES})
foreach(check file IN ZIP_LISTS checks files)
  execute_process(COMMAND ${CMAKE_COMMAND} -DCHECK=${check} -DFILE=${file} -DIDS=${id_argument}
    -P ${CMAKE_CURRENT_LIST_DIR}/RunCheck.cmake RESULT_VARIABLE result ERROR_VARIABLE output)
  if(result)
    message(FATAL_ERROR "the ${check} check refuses the build's own ${file}:\n${output}")
  endif()
endforeach()

# Dornik.inf
string(REPLACE "${model_line}" "" changed "${inf}")
expect_refused(inf "${changed}" "is missing")
string(REPLACE "${model_line}" "${model_line}${model_line}" changed "${inf}")
expect_refused(inf "${changed}" "appears twice")
string(REPLACE "${model_line}"
  "${model_line}%Projector.DeviceDesc%=Dornik.Install,USB\\VID_FFFF&PID_FFFE\n" changed "${inf}")
expect_refused(inf "${changed}" "ffff:fffe is not in the list")
string(REPLACE "${model_line}"
  "${model_line}%Projector.DeviceDesc%=Dornik.Install,USB\\VID_abcd&PID_ef01\n" changed "${inf}")
expect_refused(inf "${changed}" "not a model line of an upper-case USB id")
string(REPLACE "[Dornik.AddReg]\n" "[Dornik.AddReg]\nHKR,,Also,,USB\\VID_FFFF&PID_FFFE\n"
  changed "${inf}")
expect_refused(inf "${changed}" "outside the model sections")
string(REGEX REPLACE "\n%Mfg%=([A-Za-z]+)\n" "\n%Mfg%=\\1,NTx86\n" changed "${inf}")
expect_refused(inf "${changed}" ".NTx86]: ")

# 60-corvane.rules
string(REPLACE "${rule_line}" "" changed "${rules}")
expect_refused(rule "${changed}" "is missing")
string(REPLACE "${rule_line}" "${rule_line}${rule_line}" changed "${rules}")
expect_refused(rule "${changed}" "appears twice")
string(REGEX REPLACE "idVendor}==\"[0-9a-f]+\"" "idVendor}==\"fffe\"" changed "${rules}")
expect_refused(rule "${changed}" "is not in the list")
string(REGEX REPLACE "idVendor}==\"[0-9a-f]+\"" "idVendor}==\"ABCD\"" changed "${rules}")
expect_refused(rule "${changed}" "not in lower case")
string(REPLACE ", TAG+=\"uaccess\"" "" changed "${rules}")
expect_refused(rule "${changed}" "lacks TAG+=\"uaccess\"")
string(REPLACE ", MODE=\"0660\"" "" changed "${rules}")
expect_refused(rule "${changed}" "lacks MODE=\"0660\"")
expect_refused(rule "${rules}SUBSYSTEM==\"usb\", MODE=\"0666\"\n" "a rule without a vendor id")

# Lines udev would not read
string(REPLACE "SUBSYSTEM==\"usb\"" "SUBSYSTEM=\"usb\"" changed "${rules}")
expect_refused(syntax "${changed}" "SUBSYSTEM does not take =")
string(REPLACE "MODE=\"0660\"" "MODE==\"0660\"" changed "${rules}")
expect_refused(syntax "${changed}" "MODE does not take ==")
string(REPLACE "MODE=\"0660\"" "MODE=\"0x660\"" changed "${rules}")
expect_refused(syntax "${changed}" "MODE is not an octal mode")
string(REPLACE "TAG+=\"uaccess\"" "TAG+=\"uaccess" changed "${rules}")
expect_refused(syntax "${changed}" "cannot parse")
string(REPLACE "MODE=\"0660\"\n" "MODE=\"0660\",\n" changed "${rules}")
expect_refused(syntax "${changed}" "a comma ends the line")
string(REPLACE "ATTR{idVendor}" "ATTR" changed "${rules}")
expect_refused(syntax "${changed}" "ATTR needs {name}")
expect_refused(syntax "${rules}DEVICE==\"usb\"\n" "unknown key DEVICE")
