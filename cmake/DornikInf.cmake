# dornik_generate_inf(<template> <output> [WITH_AMD64]): Dornik.inf from its
# template, with a model line for each of the projector's USB ids in the
# hardware id form Windows gives a USB device (USB\VID_VVVV&PID_PPPP, upper
# case). WITH_AMD64 adds the same models for 64-bit Windows, for the x86_64
# test build's driver: the shipped INF sits beside a 32-bit driver, which a
# 64-bit Windows must not be offered.
include(${CMAKE_CURRENT_LIST_DIR}/ProjectorUsbIds.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/FillTemplate.cmake)

# The virtual projector's id, which stands in until the projector's own are
# listed: an INF that names it says so, at its top and at its model line.
set(DORNIK_PLACEHOLDER_USB_ID 1209:0001)

function(dornik_generate_inf template output)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "WITH_AMD64" "" "")
  corvane_read_usb_ids(ids descriptions)
  set(DORNIK_MODELS "")
  set(DORNIK_PLACEHOLDER_NOTE "")
  foreach(id IN LISTS ids)
    string(TOUPPER ${id} upper)
    string(REPLACE ":" "&PID_" hardware_id "USB\\VID_${upper}")
    if(id STREQUAL DORNIK_PLACEHOLDER_USB_ID)
      string(APPEND DORNIK_MODELS "; PLACEHOLDER vendor/product id (see the top of this file).\n")
      string(CONCAT DORNIK_PLACEHOLDER_NOTE
        ";\n"
        "; >>> PLACEHOLDER: ${hardware_id} below is the virtual projector's id\n"
        "; >>> (pid.codes' vendor id with a product id reserved for private testing),\n"
        "; >>> not a shipping projector's. Replace it with the projector's real ids.\n")
    endif()
    string(APPEND DORNIK_MODELS "%Projector.DeviceDesc%=Dornik.Install,${hardware_id}\n")
  endforeach()
  set(DORNIK_MANUFACTURER "%Mfg%=Moravex\n")
  set(DORNIK_AMD64_MODELS "")
  if(ARG_WITH_AMD64)
    set(DORNIK_MANUFACTURER "%Mfg%=Moravex,NTamd64\n")
    string(CONCAT DORNIK_AMD64_MODELS
      "\n; 64-bit Windows (x86_64 test builds): the same devices and install sections.\n"
      "[Moravex.NTamd64]\n" "${DORNIK_MODELS}")
  endif()
  corvane_fill_template(${template} ${output} DORNIK_PLACEHOLDER_NOTE DORNIK_MANUFACTURER
    DORNIK_MODELS DORNIK_AMD64_MODELS)
endfunction()
