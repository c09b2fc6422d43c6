# dornik_generate_inf(<template> <output>): Dornik.inf from its template, with
# a model line for each of the projector's USB ids in the hardware id form
# Windows gives a USB device (USB\VID_VVVV&PID_PPPP, upper case).
include(${CMAKE_CURRENT_LIST_DIR}/ProjectorUsbIds.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/FillTemplate.cmake)

# The virtual projector's id, which stands in until the projector's own are
# listed: an INF that names it says so, at its top and at its model line.
set(DORNIK_PLACEHOLDER_USB_ID 1209:0001)

function(dornik_generate_inf template output)
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
  corvane_fill_template(${template} ${output} DORNIK_PLACEHOLDER_NOTE DORNIK_MODELS)
endfunction()
