# cmake -DLIST=<list> -DOUT=<folder> [-DWITH_AMD64=ON] -P GenerateFromList.cmake:
# makes Dornik.inf (WITH_AMD64: as the x86_64 build does) and 60-corvane.rules
# from <list> into <folder>, as a configure run does from the project's list.
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
include(${root}/cmake/DornikInf.cmake)
include(${root}/cmake/ProjectorUdevRule.cmake)

set(CORVANE_USB_ID_LIST ${LIST})
if(WITH_AMD64)
  set(platforms WITH_AMD64)
endif()
dornik_generate_inf(${root}/driver/Dornik.inf.in ${OUT}/Dornik.inf ${platforms})
corvane_generate_udev_rule(${root}/packaging/linux/60-corvane.rules.in ${OUT}/60-corvane.rules)
