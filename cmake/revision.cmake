# Writes the revision header: the project's VERSION, and the commit of the
# checkout, or a fixed text outside a git checkout. Rewritten only when either
# changes, so an unchanged checkout rebuilds nothing.
set(revision "0000000000000000000000000000000000000000")
execute_process(COMMAND git rev-parse HEAD
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE result ERROR_QUIET)
if(result EQUAL 0 AND head MATCHES "^[0-9a-f]+$")
    string(LENGTH "${head}" head_length)
    if(head_length EQUAL 40)
        set(revision "${head}")
    endif()
endif()
set(MD_DUMP_REVISION "${revision}")
set(MD_DUMP_VERSION "${VERSION}")
configure_file(${SOURCE_DIR}/app/revision.hpp.in ${OUTPUT} @ONLY)
