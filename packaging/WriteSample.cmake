# Writes the sample file into SAMPLE_DIR the way a new database gets it: the built velkora
# creates a throwaway SQLite database there with the sample load format and its file, and
# tests the format on that file, which must pass.
#   cmake -DVELKORA=<velkora> -DSAMPLE_DIR=<folder> -P WriteSample.cmake
file(REMOVE_RECURSE ${SAMPLE_DIR})
file(MAKE_DIRECTORY ${SAMPLE_DIR})
set(ENV{HOME} ${SAMPLE_DIR})
set(ENV{XDG_DATA_HOME} ${SAMPLE_DIR})
unset(ENV{VELKORA_DATABASE})
execute_process(
    COMMAND ${VELKORA} --database ${SAMPLE_DIR}/sample.db test 0001
    WORKING_DIRECTORY ${SAMPLE_DIR}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors)
file(REMOVE ${SAMPLE_DIR}/sample.db)
file(GLOB written ${SAMPLE_DIR}/*.txt)
if(NOT result EQUAL 0 OR NOT written)
    message(FATAL_ERROR "velkora test 0001 on a new database failed (${result}):\n${errors}")
endif()
file(TOUCH ${SAMPLE_DIR}/sample.stamp)
