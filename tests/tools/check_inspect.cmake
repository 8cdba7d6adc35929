# Runs qnboot-inspect once and checks its exit code and output.
#   -DTOOL=... -DARGS="a;b;c" -DEXIT_CODE=0|2
#   -DEXPECTED_JSON=file   the output must be this JSON (any formatting); with NUMBER_IDS the
#                          identifiers, new at every boot.ini read, are numbered by first
#                          appearance on both sides before comparing
#   -DEXPECTED_TEXT=text   the output's first line must be exactly this
#   -DEXPECTED_ERROR=regex stderr must match, and be one line
#   -DEMULATOR=a|b|c       runs the tool through this command (Wine)
cmake_minimum_required(VERSION 3.25)
separate_arguments(args UNIX_COMMAND "${ARGS}")
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${TOOL} ${args} RESULT_VARIABLE code OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT code EQUAL EXIT_CODE)
    message(FATAL_ERROR "exit code ${code}, expected ${EXIT_CODE}\nstdout: ${out}\nstderr: ${err}")
endif()

function(number_ids text result)
    string(REGEX MATCHALL "{[0-9A-Fa-f-]+}" ids "${text}")
    list(REMOVE_DUPLICATES ids)
    set(n 0)
    foreach(id IN LISTS ids)
        math(EXPR n "${n} + 1")
        string(REPLACE "${id}" "{id${n}}" text "${text}")
    endforeach()
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

if(DEFINED EXPECTED_JSON)
    file(READ ${EXPECTED_JSON} expected)
    if(NUMBER_IDS)
        number_ids("${out}" out)
        number_ids("${expected}" expected)
    endif()
    string(JSON same ERROR_VARIABLE json_error EQUAL "${out}" "${expected}")
    if(json_error OR NOT same)
        message(FATAL_ERROR "output differs from ${EXPECTED_JSON} ${json_error}\n${out}")
    endif()
endif()
if(DEFINED EXPECTED_TEXT)
    string(REGEX REPLACE "\r?\n.*" "" first_line "${out}")
    if(NOT first_line STREQUAL EXPECTED_TEXT OR NOT out MATCHES "\n$")
        message(FATAL_ERROR "output \"${out}\", expected the line \"${EXPECTED_TEXT}\"")
    endif()
endif()
if(DEFINED EXPECTED_ERROR)
    string(REGEX MATCHALL "\n" lines "${err}")
    list(LENGTH lines count)
    if(NOT err MATCHES "${EXPECTED_ERROR}" OR NOT count EQUAL 1 OR NOT out STREQUAL "")
        message(FATAL_ERROR "stderr \"${err}\" (stdout \"${out}\"), expected one line like "
                            "\"${EXPECTED_ERROR}\"")
    endif()
endif()
