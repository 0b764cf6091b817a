# The library against the simulated Win32 under tests/sim, with the address
# and undefined-behaviour sanitizers: GoogleTest tests with coverage, or
# (option VEXLO_FUZZ, with clang) libFuzzer targets.
option(VEXLO_FUZZ "Build the libFuzzer targets instead of the tests" OFF)

set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
if(VEXLO_FUZZ)
    list(APPEND SANITIZE -fsanitize=fuzzer-no-link)
endif()
add_compile_options(${SANITIZE})
add_link_options(${SANITIZE})

# UBSan's vptr check needs RTTI, which the library is built without.
target_compile_options(VexloCore PRIVATE -fno-sanitize=vptr)

add_subdirectory(tests/sim)
target_link_libraries(VexloCore PUBLIC VexloSim)

if(VEXLO_FUZZ)
    add_subdirectory(tests/fuzz)
    return()
endif()

# Line and branch coverage of the library, read by gcovr after the tests.
target_compile_options(VexloCore PRIVATE --coverage)
target_link_options(VexloCore INTERFACE --coverage)

enable_testing()
add_subdirectory(tests/native)
