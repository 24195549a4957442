# Precompiled headers. Most of a source file's compile time goes to parsing the standard library,
# Qt and GoogleTest again; each group of targets that compiles with the same flags parses them once,
# into a header its members reuse. GCC checks that the flags match (-Winvalid-pch, an error with
# -Werror), so a member that drifts from its group fails to build rather than silently slowing down.

set(QX4_PCH_STD <algorithm> <array> <chrono> <cstdint> <cstring> <filesystem> <fstream> <functional>
  <map> <memory> <optional> <sstream> <string> <string_view> <utility> <vector>)
set(QX4_PCH_QT <QAbstractButton> <QApplication> <QComboBox> <QCheckBox> <QEvent> <QLabel> <QLineEdit>
  <QListWidget> <QObject> <QPainter> <QPushButton> <QStackedWidget> <QString> <QStyle> <QTimer>
  <QWidget>)
set(QX4_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)

set(qx4_pch_anchor ${CMAKE_BINARY_DIR}/qx4_pch_anchor.cpp)
file(WRITE ${qx4_pch_anchor} "int main() { return 0; }\n")

# A target that only carries the precompiled header of one group. A group of programs is itself a
# program, since they compile position-independent executables (-fPIE) and libraries do not.
function(qx4_pch_group name)
  cmake_parse_arguments(ARG "PROGRAMS" "" "HEADERS;LIBS" ${ARGN})
  if(ARG_PROGRAMS)
    add_executable(${name} ${qx4_pch_anchor})
  else()
    add_library(${name} OBJECT ${qx4_pch_anchor})
  endif()
  target_link_libraries(${name} PRIVATE qx4_warnings ${ARG_LIBS})
  target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()

# Makes target reuse the precompiled header of group.
function(qx4_use_pch target group)
  target_precompile_headers(${target} REUSE_FROM ${group})
endfunction()

# GCC 12 forgets that precompiled standard headers are system headers when it warns after
# inlining, so a few files meet its known -Warray-bounds false positive inside std::string. They
# compile without the precompiled header rather than with the warning turned off.
function(qx4_without_pch)
  set_source_files_properties(${ARGN} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()
