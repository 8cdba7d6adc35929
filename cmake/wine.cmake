# Runs Windows test binaries with Debian's wine64 loader (not on PATH) in a prefix of our own
# under the build folder, so no test ever sees the user's Wine setup. The prefix is created by
# the first test run; wineserver is kept alive across the many short test processes. Wine tests
# hold the lock "wine_server" while they run: the end-to-end tests of the simulated program stop
# and restart the server (with a display of their own), which no other Wine test may see.
find_program(QN_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(QN_WINE64 NAMES wine64)
find_program(QN_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(QN_WINESERVER NAMES wineserver)
if(NOT QN_WINE64)
    message(FATAL_ERROR "wine64 not found: run scripts/install-deps.sh")
endif()

set(QN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# No Mono or Gecko install prompts: there is no network and nothing here needs them.
set(QN_WINE_ENV WINEPREFIX=${QN_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=d)
set(CMAKE_CROSSCOMPILING_EMULATOR env;${QN_WINE_ENV};${QN_WINE64})

function(qn_add_wine_tests target)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR
                                               "env;${QN_WINE_ENV};${QN_WINE64}")
    if(NOT TEST wine_prefix_setup)
        add_test(NAME wine_prefix_setup
                 COMMAND ${CMAKE_COMMAND} -DWINE64=${QN_WINE64} -DWINESERVER=${QN_WINESERVER}
                         -DPREFIX=${QN_WINEPREFIX} -P ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.cmake)
        set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
        # No server left running is fine too (an end-to-end test may have stopped it).
        add_test(NAME wine_server_stop
                 COMMAND sh -c "WINEPREFIX='${QN_WINEPREFIX}' '${QN_WINESERVER}' -k || true")
        set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine)
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 60 RESOURCE_LOCK wine_server)
endfunction()
