# The version of a build: the release number in project(), three
# dot-separated integers each at most 65535 (a version resource keeps each
# in 16 bits), and what scripts/version makes of it and the commit: the file
# version X.Y.Z.N and the product version, X.Y.Z for a release tag vX.Y.Z,
# X.Y.Z-dev.N+<commit> for any other commit.
set(version_error "Version number \"${PROJECT_VERSION}\" in project() must be three dot-separated integers")
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "${version_error} (the fourth number is the build's).")
endif()
string(REPLACE "." ";" version_parts "${PROJECT_VERSION}")
foreach(part IN LISTS version_parts)
    string(REGEX REPLACE "^0+([0-9])" "\\1" part "${part}")
    string(LENGTH "${part}" digits)
    if(digits GREATER 5 OR part GREATER 65535)
        message(FATAL_ERROR "${version_error}, each at most 65535; ${part} is larger.")
    endif()
endforeach()

execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/version ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE version_said ERROR_VARIABLE version_complaint RESULT_VARIABLE version_failed)
if(version_failed)
    message(FATAL_ERROR "${version_complaint}")
elseif(version_complaint)
    message(WARNING "${version_complaint}")
endif()
string(REGEX MATCH "file ([0-9.]+)" _ "${version_said}")
set(VERSION_FILE ${CMAKE_MATCH_1})
string(REGEX MATCH "product ([^\n]+)" _ "${version_said}")
set(VERSION_PRODUCT ${CMAKE_MATCH_1})
string(REGEX REPLACE "(^|\\.)0+([0-9])" "\\1\\2" VERSION_COMMAS "${VERSION_FILE}")
string(REPLACE "." "," VERSION_COMMAS "${VERSION_COMMAS}")

# A new commit or tag makes a new version: configure again when they move.
execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} rev-parse --path-format=absolute --git-path HEAD
                        --git-path packed-refs --git-path refs/tags --symbolic-full-name HEAD
                OUTPUT_VARIABLE git_paths ERROR_QUIET RESULT_VARIABLE not_git)
if(NOT not_git)
    string(REPLACE "\n" ";" git_paths "${git_paths}")
    list(GET git_paths 3 head_ref)
    execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} rev-parse --path-format=absolute --git-path ${head_ref}
                    OUTPUT_VARIABLE head_ref_path OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    foreach(path IN LISTS git_paths ITEMS ${head_ref_path})
        if(EXISTS "${path}")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
        endif()
    endforeach()
endif()

# add_version_resource(<target> <file name> <description> <file type>)
function(add_version_resource target file_name description file_type)
    set(VERSION_FILE_NAME ${file_name})
    set(VERSION_DESCRIPTION ${description})
    set(VERSION_FILE_TYPE ${file_type})
    get_filename_component(VERSION_INTERNAL_NAME ${file_name} NAME_WE)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()

# For the scripts that name a release after it: the product version, then
# the file version.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/VERSION CONTENT "${VERSION_PRODUCT}\n")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/FILE_VERSION CONTENT "${VERSION_FILE}\n")

# The version as text, for the code that names it (the custom actions' log).
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/ProjectVersion.h
     CONTENT "#pragma once\n#define VEXLO_VERSION_TEXT \"${VERSION_PRODUCT}\"\n")
