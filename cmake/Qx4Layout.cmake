# Where things are at build time and once installed.
set(QX4_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
set(QX4_INSTALL_PLUGIN_DIR ${CMAKE_INSTALL_LIBDIR}/qx4-config/plugins)
set(QX4_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/qx4-config)

# A plug-in is a module library with a fixed file name (no "lib" prefix): hiddriver_1.so, Hook.so, ...
function(qx4_add_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;DEFINES" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE qx4_warnings ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINES})
  install(TARGETS ${name} LIBRARY DESTINATION ${QX4_INSTALL_PLUGIN_DIR})
endfunction()
