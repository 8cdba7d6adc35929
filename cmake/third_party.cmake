# Header-only libraries from Debian's packages, usable by the native and the MinGW builds alike.
# The MinGW compilers must not search /usr/include (glibc's headers live there), so each
# library's header folder is copied into the build folder and added from there.
set(QN_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)

function(qn_header_library target folder)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} missing: run scripts/install-deps.sh")
    endif()
    file(COPY /usr/include/${folder} DESTINATION ${QN_THIRD_PARTY_INCLUDE})
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE ${QN_THIRD_PARTY_INCLUDE})
endfunction()

qn_header_library(qn_rapidxml rapidxml)
qn_header_library(qn_stb stb)
qn_header_library(qn_nlohmann_json nlohmann)
