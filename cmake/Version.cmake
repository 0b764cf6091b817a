# The one version number, from project(), checked and spelt for a Windows
# version resource: three or four dot-separated integers, each at most 65535
# (the resource keeps each in 16 bits).
set(version_error "Version number \"${PROJECT_VERSION}\" in project() must be three or four dot-separated integers")
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+(\\.[0-9]+)?$")
    message(FATAL_ERROR "${version_error}.")
endif()
string(REPLACE "." ";" version_parts "${PROJECT_VERSION}")
set(VERSION_COMMAS "")
foreach(part IN LISTS version_parts)
    string(REGEX REPLACE "^0+([0-9])" "\\1" part "${part}")
    string(LENGTH "${part}" digits)
    if(digits GREATER 5 OR part GREATER 65535)
        message(FATAL_ERROR "${version_error}, each at most 65535; ${part} is larger.")
    endif()
    list(APPEND VERSION_COMMAS ${part})
endforeach()
list(LENGTH VERSION_COMMAS version_length)
if(version_length EQUAL 3)
    list(APPEND VERSION_COMMAS 0)
endif()
string(REPLACE ";" "," VERSION_COMMAS "${VERSION_COMMAS}")

# add_version_resource(<target> <file name> <description> <file type>)
function(add_version_resource target file_name description file_type)
    set(VERSION_FILE_NAME ${file_name})
    set(VERSION_DESCRIPTION ${description})
    set(VERSION_FILE_TYPE ${file_type})
    get_filename_component(VERSION_INTERNAL_NAME ${file_name} NAME_WE)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()

# For the scripts that name a release after it.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/VERSION CONTENT "${PROJECT_VERSION}\n")

# The version as text, for the code that names it (the custom actions' log).
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/ProjectVersion.h
     CONTENT "#pragma once\n#define VEXLO_VERSION_TEXT \"${PROJECT_VERSION}\"\n")
