# Runs qnboot-sim once and checks its exit code and output.
#   -DTOOL=... -DARGS="a|b|c" (arguments separated by "|") -DEXIT_CODE=0|2
#   -DEXPECTED_JSON=json   the output's last line must be this JSON (any formatting)
#   -DEXPECTED_OUTPUT=re   stdout must match
#   -DEXPECTED_ERROR=re    stderr must match, and be one line
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${TOOL} ${args} RESULT_VARIABLE code OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT code EQUAL EXIT_CODE)
    message(FATAL_ERROR "exit code ${code}, expected ${EXIT_CODE}\nstdout: ${out}\nstderr: ${err}")
endif()
if(DEFINED EXPECTED_JSON)
    string(REGEX REPLACE "\n$" "" trimmed "${out}")
    string(REGEX REPLACE ".*\n" "" last "${trimmed}")
    string(JSON same ERROR_VARIABLE json_error EQUAL "${last}" "${EXPECTED_JSON}")
    if(json_error OR NOT same)
        message(FATAL_ERROR "verdict ${last}\nexpected ${EXPECTED_JSON} ${json_error}")
    endif()
endif()
if(DEFINED EXPECTED_OUTPUT AND NOT out MATCHES "${EXPECTED_OUTPUT}")
    message(FATAL_ERROR "stdout \"${out}\" does not match \"${EXPECTED_OUTPUT}\"")
endif()
if(DEFINED EXPECTED_ERROR)
    string(REGEX MATCHALL "\n" lines "${err}")
    list(LENGTH lines count)
    if(NOT err MATCHES "${EXPECTED_ERROR}" OR NOT count EQUAL 1 OR NOT out STREQUAL "")
        message(FATAL_ERROR "stderr \"${err}\" (stdout \"${out}\"), expected one line like "
                            "\"${EXPECTED_ERROR}\"")
    endif()
endif()
