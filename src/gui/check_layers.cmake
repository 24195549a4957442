# Fails when a file of one of the GUI's folders includes a folder it must not build on. Each
# folder may include itself and the folders named after it below; app, the top, may include all.
# Usage: cmake -DSOURCE_DIR=<src/gui> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_common "")
set(allowed_session "common")
set(allowed_macro "common")
set(allowed_follow "common;session")
set(allowed_pages "common;session;macro")

set(offenders "")
foreach(folder IN ITEMS common session macro follow pages)
  file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "#[ \t]*include[ \t]*\"gui/[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE ".*\"gui/([a-z_]+)/.*" "\\1" included "${line}")
      if(NOT included STREQUAL folder AND NOT included IN_LIST allowed_${folder})
        list(APPEND offenders "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " report)
  message(FATAL_ERROR "A GUI folder includes one it must not build on:\n  ${report}")
endif()
