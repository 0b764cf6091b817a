# The real PE32 DLL, its host program, and the tests that run under Wine.
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 NOMINMAX)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
# A hardened image: stack protection (the DLL brings its own canary, see
# StackGuard.cpp; the test programs take libssp's), address space layout
# randomisation with the relocations it needs, and no executable data.
add_compile_options(-fstack-protector-strong)
target_compile_options(VexloCore PUBLIC -fstack-protector-strong)  # made before this file ran
# Imports only system DLLs (the runtime linked in), and loads on Windows XP
# and later.
add_link_options(-fstack-protector-strong -static -Wl,--dynamicbase,--nxcompat -Wl,--major-os-version,5
                 -Wl,--minor-os-version,1
                 -Wl,--subsystem,$<IF:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>,console,windows>:5.01)

# winspool.drv and setupapi.dll are not imported: the library loads them by
# their full path in the system directory, so that no copy planted in the
# host's folder is ever loaded.
target_link_libraries(VexloCore PUBLIC advapi32 user32)

add_library(VexloDeletePrinter SHARED ${DLL_DIR}/DllMain.cpp ${EXPORT_SOURCES} ${DLL_DIR}/StackGuard.cpp
            ${DLL_DIR}/VexloDeletePrinter.def)
set_target_properties(VexloDeletePrinter PROPERTIES PREFIX "" OUTPUT_NAME VexloDeletePrinter
                      IMPORT_PREFIX "" IMPORT_SUFFIX ".lib" ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(VexloDeletePrinter PRIVATE VexloCore)
target_compile_options(VexloDeletePrinter PRIVATE ${NO_EXCEPTIONS})
# Exported undecorated; the import library, made by dlltool from the same
# .def, keeps the stdcall decoration (_IsConnected@0) that callers link with.
target_link_options(VexloDeletePrinter PRIVATE -Wl,--kill-at)
add_custom_command(TARGET VexloDeletePrinter POST_BUILD
    COMMAND i686-w64-mingw32-dlltool --kill-at -d ${DLL_DIR}/VexloDeletePrinter.def -D VexloDeletePrinter.dll
            -l $<TARGET_LINKER_FILE:VexloDeletePrinter>
    VERBATIM)

add_executable(VexloHost host/VexloHost.cpp)

add_subdirectory(tests/wine)
add_subdirectory(bench)
