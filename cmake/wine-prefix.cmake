# Creates the private Wine prefix once and starts a persistent wineserver for the test run.
if(NOT EXISTS ${PREFIX}/system.reg)
    message(STATUS "creating Wine prefix ${PREFIX}")
    execute_process(COMMAND env WINEPREFIX=${PREFIX} WINEDEBUG=-all
                            WINEDLLOVERRIDES=mscoree,mshtml=d ${WINE64} wineboot -i
                    RESULT_VARIABLE rc TIMEOUT 240)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "wineboot failed: ${rc}")
    endif()
endif()
execute_process(COMMAND env WINEPREFIX=${PREFIX} ${WINESERVER} -p 30)
