# Where things are at build time and once installed. The programs find their plug-ins, resources
# and udev rule relative to their own folder, so an installed tree works under any prefix; the
# paths from the program folder are worked out here once and compiled into the core.
set(QX4_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
# A private folder of the package, not the multiarch library folder: nothing else links to it.
set(QX4_INSTALL_PLUGIN_DIR lib/qx4-config/plugins)
set(QX4_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/qx4-config)
set(QX4_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING "Where udev rules are installed, below the prefix")
set(QX4_UDEV_RULE_FILE 70-qx4-mouse.rules)

function(qx4_path_from_programs variable destination)
  # Both ends below one made-up prefix: only the step from the program folder matters.
  file(RELATIVE_PATH relative /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${destination})
  set(${variable} ${relative} PARENT_SCOPE)
endfunction()
qx4_path_from_programs(QX4_PLUGIN_DIR_FROM_PROGRAMS ${QX4_INSTALL_PLUGIN_DIR})
qx4_path_from_programs(QX4_RESOURCE_DIR_FROM_PROGRAMS ${QX4_INSTALL_DATA_DIR}/res)
qx4_path_from_programs(QX4_UDEV_RULES_DIR_FROM_PROGRAMS ${QX4_UDEV_RULES_DIR})

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
