# Renders one manual page with `MANWIDTH=80 man --warnings -l PAGE` and fails on any warning or
# on an empty rendering. Without man the check says "man is not installed" and the test is
# counted as skipped.
# Usage: cmake -DPAGE=man/vantor.1 -P cmake/check_man_page.cmake
if(NOT PAGE)
  message(FATAL_ERROR "usage: cmake -DPAGE=FILE -P check_man_page.cmake")
endif()
find_program(MAN_PROGRAM man)
if(NOT MAN_PROGRAM)
  message("man is not installed: ${PAGE} not checked")
  return()
endif()
set(ENV{MANWIDTH} 80)
execute_process(COMMAND ${MAN_PROGRAM} --warnings -l ${PAGE}
                RESULT_VARIABLE status
                OUTPUT_VARIABLE rendered
                ERROR_VARIABLE warnings)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "man exited with status ${status} on ${PAGE}:\n${warnings}")
endif()
if(NOT warnings STREQUAL "")
  message(FATAL_ERROR "warnings rendering ${PAGE}:\n${warnings}")
endif()
if(rendered STREQUAL "")
  message(FATAL_ERROR "${PAGE} rendered to nothing")
endif()
message("${PAGE}: rendered without warnings")
