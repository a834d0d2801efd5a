# The warning flags every build of our sources uses (the program, the fuzz
# harnesses); ORNYX_WERROR turns them into errors, as CI does.
option(ORNYX_WERROR "Treat warnings as errors" OFF)
add_library(ornyx_warnings INTERFACE)
target_compile_options(ornyx_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(ORNYX_WERROR)
  target_compile_options(ornyx_warnings INTERFACE -Werror)
endif()
