# cmake -DLIST=<list> -DOUT=<folder> -P GenerateFromList.cmake: makes
# Dornik.inf and 60-corvane.rules from <list> into <folder>, as a configure
# run does from the project's list.
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${root}/cmake/DornikInf.cmake)
include(${root}/cmake/ProjectorUdevRule.cmake)

set(CORVANE_USB_ID_LIST ${LIST})
dornik_generate_inf(${root}/driver/Dornik.inf.in ${OUT}/Dornik.inf)
corvane_generate_udev_rule(${root}/packaging/linux/60-corvane.rules.in ${OUT}/60-corvane.rules)
