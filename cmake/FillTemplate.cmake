# corvane_fill_template(<template> <output> <variable>...): writes <template>
# to <output> with each line that holds only @<variable>@ replaced by that
# variable's text: whole lines, each ending in "\n" (written in the template's
# own line ends), or nothing, which drops the line. Everything else is kept
# byte for byte, and <output> is rewritten only when it changes.
function(corvane_fill_template template output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
  file(READ ${template} text)
  set(newline "\n")
  if(text MATCHES "\r\n")
    set(newline "\r\n")
  endif()
  foreach(variable IN LISTS ARGN)
    set(marker "@${variable}@${newline}")
    string(FIND "${text}" "${marker}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${template}: no line @${variable}@")
    endif()
    string(REPLACE "\n" "${newline}" lines "${${variable}}")
    string(REPLACE "${marker}" "${lines}" text "${text}")
  endforeach()
  if(EXISTS ${output})
    file(READ ${output} old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE ${output} "${text}")
endfunction()
