# Creates the private Wine prefix once and keeps a wineserver alive for the test run, so the many
# short test processes do not each pay its start. Output goes to files: a daemon that inherited
# a pipe would keep execute_process waiting.
set(log ${PREFIX}.log)
if(NOT EXISTS ${PREFIX}/system.reg)
    message(STATUS "creating Wine prefix ${PREFIX}")
    execute_process(COMMAND env WINEPREFIX=${PREFIX} WINEDEBUG=-all
                            WINEDLLOVERRIDES=mscoree,mshtml=d ${WINE64} wineboot -i
                    RESULT_VARIABLE rc TIMEOUT 240 OUTPUT_FILE ${log} ERROR_FILE ${log})
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "wineboot failed (${rc}), see ${log}")
    endif()
endif()
execute_process(COMMAND env WINEPREFIX=${PREFIX} ${WINESERVER} -p 60
                OUTPUT_FILE ${log}.server ERROR_FILE ${log}.server)
# The first program in a new server session starts Wine's background services; they inherit
# its standard handles. Started here, they hold files, not the pipes ctest reads a test's output
# from, which would keep that test waiting until its time-out.
execute_process(COMMAND env WINEPREFIX=${PREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=d
                        ${WINE64} cmd.exe /c exit
                OUTPUT_FILE ${log}.warmup ERROR_FILE ${log}.warmup TIMEOUT 120)
# A folder link for the work-directory tests: Wine shows a Unix symbolic link to a folder as a
# directory junction (and cannot make a real one). Made afresh each run.
set(links ${PREFIX}/drive_c/qn_links)
file(REMOVE_RECURSE ${links})
file(MAKE_DIRECTORY ${links}/work ${links}/outside)
file(WRITE ${links}/outside/keep.txt "not to be deleted through the link\n")
file(CREATE_LINK ../outside ${links}/work/outside SYMBOLIC)
