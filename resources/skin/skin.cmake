# Packs the skin: the markup files of this folder plus the images that scripts/make_skin_images.py
# draws, into skin.zip; and for Windows skin.rc, which embeds it as resource "ZIPRES" 129 with the
# program icon 107. Sets QN_SKIN_ZIP and QN_SKIN_RC for the targets that embed or read the skin.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QN_SKIN_SOURCE ${CMAKE_SOURCE_DIR}/resources/skin)
set(QN_SKIN_OUT ${CMAKE_BINARY_DIR}/skin)
set(QN_SKIN_FILES_DIR ${QN_SKIN_OUT}/files)
set(QN_SKIN_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/make_skin_images.py)
set(QN_SKIN_ZIP ${QN_SKIN_OUT}/skin.zip CACHE INTERNAL "The packed skin")
set(QN_SKIN_ICON ${QN_SKIN_OUT}/app.ico)
file(MAKE_DIRECTORY ${QN_SKIN_FILES_DIR})

file(GLOB QN_SKIN_XML CONFIGURE_DEPENDS ${QN_SKIN_SOURCE}/*.xml)
execute_process(COMMAND ${Python3_EXECUTABLE} ${QN_SKIN_SCRIPT} --list
                OUTPUT_VARIABLE QN_SKIN_IMAGES OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
separate_arguments(QN_SKIN_IMAGES)

set(QN_SKIN_MEMBERS "")
set(QN_SKIN_COPIES "")
foreach(xml ${QN_SKIN_XML})
    get_filename_component(name ${xml} NAME)
    list(APPEND QN_SKIN_MEMBERS ${name})
    list(APPEND QN_SKIN_COPIES COMMAND ${CMAKE_COMMAND} -E copy ${xml} ${QN_SKIN_FILES_DIR}/${name})
endforeach()
list(APPEND QN_SKIN_MEMBERS ${QN_SKIN_IMAGES})

add_custom_command(
    OUTPUT ${QN_SKIN_OUT}/images.stamp ${QN_SKIN_ICON}
    COMMAND ${Python3_EXECUTABLE} ${QN_SKIN_SCRIPT} ${QN_SKIN_FILES_DIR} ${QN_SKIN_ICON}
    COMMAND ${CMAKE_COMMAND} -E touch ${QN_SKIN_OUT}/images.stamp
    DEPENDS ${QN_SKIN_SCRIPT}
    COMMENT "Drawing the skin images")
add_custom_command(
    OUTPUT ${QN_SKIN_ZIP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QN_SKIN_FILES_DIR}
    ${QN_SKIN_COPIES}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${QN_SKIN_ZIP} --format=zip --mtime=2024-01-01 ${QN_SKIN_MEMBERS}
    WORKING_DIRECTORY ${QN_SKIN_FILES_DIR}
    DEPENDS ${QN_SKIN_XML} ${QN_SKIN_OUT}/images.stamp
    COMMENT "Packing the skin")
add_custom_target(qn_skin ALL DEPENDS ${QN_SKIN_ZIP})

if(WIN32)
    set(QN_SKIN_RC ${QN_SKIN_OUT}/skin.rc CACHE INTERNAL "Resource script embedding the skin")
    file(WRITE ${QN_SKIN_RC}.in
         "// Generated: the skin zip and the program icon.\n"
         "LANGUAGE 0, 0\n129 ZIPRES \"@QN_SKIN_ZIP@\"\n107 ICON \"@QN_SKIN_ICON@\"\n")
    configure_file(${QN_SKIN_RC}.in ${QN_SKIN_RC} @ONLY)
    # windres does not see the zip as a dependency of the script: tell the build.
    set_source_files_properties(${QN_SKIN_RC} PROPERTIES OBJECT_DEPENDS "${QN_SKIN_ZIP};${QN_SKIN_ICON}")
endif()

if(TARGET qn_fakes)
    # Native tests and benchmarks read the packed skin from the build folder.
    add_dependencies(qn_fakes qn_skin)
    target_compile_definitions(qn_fakes INTERFACE QN_TEST_SKIN_ZIP="${QN_SKIN_ZIP}")
endif()
