# Renders one manual page as man(1) shows it at 80 columns; any warning of groff or man
# fails, and so does a page that renders empty.
#   -DMAN=<man> -DPAGE=<page source>
set(ENV{MANWIDTH} 80)
set(ENV{LC_ALL} C.UTF-8)
execute_process(COMMAND ${MAN} --warnings -l ${PAGE}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "man --warnings -l ${PAGE} (status ${rc}):\n${err}")
endif()
if(NOT out MATCHES "NAME" OR NOT out MATCHES "SYNOPSIS")
    message(FATAL_ERROR "${PAGE} rendered without its sections:\n${out}")
endif()
message(STATUS "${PAGE} renders cleanly")
