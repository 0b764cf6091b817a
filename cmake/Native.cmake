# The library against the simulated Win32 under tests/sim, with GoogleTest and
# the address and undefined-behaviour sanitizers.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${SANITIZE})
add_link_options(${SANITIZE})
# Line and branch coverage of the library, read by gcovr after the tests.
target_compile_options(VexloCore PRIVATE --coverage)
target_link_options(VexloCore INTERFACE --coverage)

add_subdirectory(tests/sim)
target_link_libraries(VexloCore PUBLIC VexloSim)

enable_testing()
add_subdirectory(tests/native)
