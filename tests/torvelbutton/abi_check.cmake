# Compares the built library's ABI with the kept baseline, or (-DUPDATE=ON) writes the
# baseline anew from the built library. Only what the public headers declare is compared:
# the internals may change freely.
#   -DABIDW= -DABIDIFF= -DLIBRARY=<built .so> -DBASELINE=<.abi file>
#   -DSOURCE_DIR=<source root> -DHEADERS=<;-list of public headers relative to it>
set(header_options "")
set(header_options_2 "")
foreach(header ${HEADERS})
    list(APPEND header_options --header-file ${SOURCE_DIR}/${header})
    list(APPEND header_options_2 --header-file2 ${SOURCE_DIR}/${header})
endforeach()

if(UPDATE)
    execute_process(COMMAND ${ABIDW} ${header_options} --drop-private-types
            --exported-interfaces-only --no-show-locs --no-comp-dir-path --no-corpus-path
            --type-id-style hash --out-file ${BASELINE} ${LIBRARY}
        RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "abidw failed (${rc}): ${err}")
    endif()
    message(STATUS "ABI baseline written: ${BASELINE}")
    return()
endif()

# The exit status is a bit set: 1 a tool error, 2 bad usage, 4 an ABI change, 8 an
# incompatible one. Any change fails: a grown API is a new baseline, made on purpose.
execute_process(COMMAND ${ABIDIFF} ${header_options_2} --drop-private-types
        --exported-interfaces-only --no-show-locs --fail-no-debug-info
        ${BASELINE} ${LIBRARY}
    RESULT_VARIABLE rc OUTPUT_VARIABLE report ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "The ABI of ${LIBRARY} differs from the baseline ${BASELINE} "
                        "(abidiff status ${rc}):\n${report}${err}")
endif()
message(STATUS "ABI matches the baseline ${BASELINE}")
