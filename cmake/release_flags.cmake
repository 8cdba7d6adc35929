# The MinGW Release builds are what goes onto a technician's stick (make dist). They put every
# function and object in a section of its own so the linker can drop what nothing calls, and the
# linker strips the symbols. RelWithDebInfo and Debug keep theirs for debugging under Wine; the
# native presets (linux, fuzz) do not come here.
#
# They are also optimised for size (-Os, after the build type's -O3). The program waits on disks
# and on bcdboot, bcdedit and bootsect for seconds; its own code takes a millisecond or two per
# user action. OptLevel in tests/bench compares -O2 and -Os on it: -Os adds at most 0.07 ms to an
# action (the window's markup at start-up, a run's JSON report, a repair) and makes the program
# about 0.9 MB smaller, which takes a USB stick far longer than that to read at every start.
if(NOT MINGW)
    return()
endif()
set(qn_release_code "$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:C,CXX>>")
add_compile_options("$<${qn_release_code}:-Os;-ffunction-sections;-fdata-sections>")
add_link_options("$<$<CONFIG:Release>:-s;-Wl,--gc-sections>")
