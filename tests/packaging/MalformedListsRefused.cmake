# cmake -DWORK=<folder> -P MalformedListsRefused.cmake: a copy of the
# project's list with one bad line added, or with no id left, stops the files'
# making with a message that names the fault, and leaves no file made; the
# unchanged copy is made without complaint.
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${root}/cmake/ProjectorUsbIds.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(READ ${CORVANE_USB_ID_LIST} list)
if(NOT list MATCHES "\n$")
  string(APPEND list "\n")
endif()
corvane_read_usb_ids(ids descriptions)
list(GET ids 0 first_id)
string(TOUPPER ${first_id} first_id_upper)

# Runs the making on <content>; sets <result_var> to its exit status and
# <output_var> to what it printed.
function(make_from content result_var output_var)
  file(REMOVE_RECURSE ${WORK}/out)
  file(MAKE_DIRECTORY ${WORK}/out)
  file(WRITE ${WORK}/ids.txt "${content}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DLIST=${WORK}/ids.txt -DOUT=${WORK}/out
    -P ${CMAKE_CURRENT_LIST_DIR}/GenerateFromList.cmake
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # CMake wraps its messages to the terminal's width.
  string(REGEX REPLACE "[ \t\r\n]+" " " output "${output}")
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

make_from("${list}" result output)
if(result OR NOT EXISTS ${WORK}/out/Dornik.inf OR NOT EXISTS ${WORK}/out/60-corvane.rules)
  message(FATAL_ERROR "the unchanged list was not made into both files:\n${output}")
endif()

set(bad_lines
  "12G4:0001 Not hexadecimal"
  "1209:001 Three digits"
  "1209:00012 Five digits"
  "1209-0002 A dash"
  "1209:0002"
  "${first_id_upper} Listed again, in upper case")
set(messages
  "not \"VVVV:PPPP description\""
  "not \"VVVV:PPPP description\""
  "not \"VVVV:PPPP description\""
  "not \"VVVV:PPPP description\""
  "not \"VVVV:PPPP description\""
  "${first_id} is listed twice")
foreach(line expected IN ZIP_LISTS bad_lines messages)
  make_from("${list}${line}\n" result output)
  string(FIND "${output}" "${expected}" at)
  if(NOT result OR at EQUAL -1)
    message(FATAL_ERROR "the line \"${line}\" was not refused with \"${expected}\":\n${output}")
  endif()
  if(EXISTS ${WORK}/out/Dornik.inf OR EXISTS ${WORK}/out/60-corvane.rules)
    message(FATAL_ERROR "the line \"${line}\" was refused, yet a file was made")
  endif()
endforeach()

make_from("# the ids went missing\n\n" result output)
string(FIND "${output}" "lists no id" at)
if(NOT result OR at EQUAL -1)
  message(FATAL_ERROR "a list without ids was not refused:\n${output}")
endif()
