# cmake -DNM=nm -DOBJCOPY=objcopy -DINPUT=lib.a -DOUTPUT=lib_renamed.a -DSUFFIX=_Os -P this-file
# Gives every symbol an archive defines a suffix, so a second copy of the same code, built with
# other flags, links into one program beside the first. Local symbols are renamed too: a COMDAT
# group is named by one (a constructor's D5/C5 group), and an unrenamed group would be merged
# with the first copy's, leaving the renamed symbols pointing at discarded code.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${NM} --defined-only --format=posix ${INPUT}
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${INPUT}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
    # "name type value size"; member headers ("lib.a[x.o]:") and section symbols (".text") stay.
    if(line MATCHES "^([^ .][^ ]*) [A-Za-z] ")
        list(APPEND names "${CMAKE_MATCH_1}")
    endif()
endforeach()
list(REMOVE_DUPLICATES names)
list(TRANSFORM names REPLACE "^(.+)$" "\\1 \\1${SUFFIX}")
list(JOIN names "\n" map)
file(WRITE ${OUTPUT}.map "${map}\n")
execute_process(COMMAND ${OBJCOPY} --redefine-syms=${OUTPUT}.map ${INPUT} ${OUTPUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJCOPY} failed on ${INPUT}")
endif()
