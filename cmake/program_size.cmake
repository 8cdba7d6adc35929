# qn_print_program_size(target): after each link the build prints how big the program came out.
# A target with the property QN_SIZE_BUDGET (bytes) is also held to it in Release builds that
# carry no boot tools (QN_BOOT_TOOLS_DIR adds Microsoft's tools, several hundred KB): over it,
# the build warns and make dist refuses.
set(QN_PROGRAM_SIZE_BUDGET 2000000 CACHE STRING
    "Largest QNBootRepair.exe in bytes that a Release build without carried tools may link")
function(qn_print_program_size target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DCONFIG=$<CONFIG>
                "-DBUDGET=$<TARGET_PROPERTY:${target},QN_SIZE_BUDGET>"
                "-DCARRIED_TOOLS=${QN_BOOT_TOOLS_DIR}"
                -P ${CMAKE_SOURCE_DIR}/cmake/report_program_size.cmake
        VERBATIM)
endfunction()
