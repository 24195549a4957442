# Every target of the project builds with the same warnings; a warning is a defect to fix, not to silence.
add_library(qx4_warnings INTERFACE)
target_compile_options(qx4_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>)
option(QX4_WERROR "Treat warnings as errors" OFF)
if(QX4_WERROR)
  target_compile_options(qx4_warnings INTERFACE -Werror)
endif()
