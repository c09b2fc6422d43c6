# corvane_generate_udev_rule(<template> <output>): the udev rule from its
# template, with a rule line for each of the projector's USB ids, matched on
# the USB device itself (not its interfaces) by the lower-case hexadecimal
# idVendor and idProduct that sysfs shows.
include(${CMAKE_CURRENT_LIST_DIR}/ProjectorUsbIds.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/FillTemplate.cmake)

function(corvane_generate_udev_rule template output)
  corvane_read_usb_ids(ids descriptions)
  set(CORVANE_UDEV_RULES "")
  foreach(id IN LISTS ids)
    string(REPLACE ":" ";" parts ${id})
    list(GET parts 0 vendor)
    list(GET parts 1 product)
    string(APPEND CORVANE_UDEV_RULES
      "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", "
      "ATTR{idVendor}==\"${vendor}\", ATTR{idProduct}==\"${product}\", "
      "TAG+=\"uaccess\", GROUP=\"plugdev\", MODE=\"0660\"\n")
  endforeach()
  corvane_fill_template(${template} ${output} CORVANE_UDEV_RULES)
endfunction()
