# Fails when a C or C++ file under SOURCE_DIR includes a Qt header: the core is standard C++
# only. Usage: cmake -DSOURCE_DIR=<folder> -P check_no_qt.cmake
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "check_no_qt: '${SOURCE_DIR}' is not a folder")
endif()

file(GLOB_RECURSE sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.hpp" "${SOURCE_DIR}/*.c" "${SOURCE_DIR}/*.cpp")
# <QString>, <QtCore/QObject>, "QWidget", <QtCore>, <qglobal.h> and the like.
set(qt_include "#[ \t]*include[ \t]*([<\"](Q[A-Za-z]+|Qt[A-Za-z0-9_]*/[^>\"]+)[>\"]|<q[a-z]+\\.h>)")

set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "${qt_include}")
  foreach(line IN LISTS lines)
    list(APPEND offenders "${source}: ${line}")
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " report)
  message(FATAL_ERROR "Qt headers included under ${SOURCE_DIR}:\n  ${report}")
endif()
