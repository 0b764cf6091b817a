# The real DLL, its host program, and the tests that run under Wine: PE32 for
# 32-bit Windows 5.01 and later (and WOW64), or PE32+ for 64-bit Windows 5.02
# and later, the first 64-bit Windows for x64.
set(MINGW ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WINDOWS_VERSION 5.02)
    set(WINDOWS_MINOR 2)
else()
    set(WINDOWS_VERSION 5.01)
    set(WINDOWS_MINOR 1)
endif()
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 NOMINMAX)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
enable_language(RC)
# Reproducible: two builds of one commit, wherever their sources and build
# folders lie and whenever they run, give the same bytes. No link time stamp,
# and the debug information names the sources under a fixed root,
# /VexloDeletePrinter (gdb: set substitute-path /VexloDeletePrinter <checkout>).
# The last map that matches wins, so a build folder inside the sources is
# /VexloDeletePrinter/build wherever it lies.
set(REPRODUCIBLE -g -ffile-prefix-map=${CMAKE_SOURCE_DIR}=/VexloDeletePrinter
    -ffile-prefix-map=${CMAKE_BINARY_DIR}=/VexloDeletePrinter/build)
add_compile_options(${REPRODUCIBLE})
target_compile_options(VexloCore PRIVATE ${REPRODUCIBLE})  # made before this file ran
add_link_options(-Wl,--no-insert-timestamp)
# A hardened image: stack protection (the DLL brings its own canary, see
# StackGuard.cpp; the test programs take libssp's), address space layout
# randomisation with the relocations it needs, and no executable data.
add_compile_options(-fstack-protector-strong)
target_compile_options(VexloCore PUBLIC -fstack-protector-strong)  # made before this file ran
# Imports only system DLLs (the runtime linked in), and loads on Windows XP
# and later (x64: Windows XP x64 and Server 2003). The 64-bit linker adds
# HIGH_ENTROPY_VA to --dynamicbase.
add_link_options(-fstack-protector-strong -static -Wl,--dynamicbase,--nxcompat -Wl,--major-os-version,5
                 -Wl,--minor-os-version,${WINDOWS_MINOR}
                 -Wl,--subsystem,$<IF:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>,console,windows>:${WINDOWS_VERSION})

# winspool.drv and setupapi.dll are not imported: the library loads them by
# their full path in the system directory, so that no copy planted in the
# host's folder is ever loaded.
target_link_libraries(VexloCore PUBLIC advapi32 user32)

# The .def names the exports as the 32-bit compiler decorates them (stdcall:
# IsConnected@0); the 64-bit one has a single convention and no decoration,
# so its copy of the .def is the same list without it.
set(DLL_DEF ${DLL_DIR}/VexloDeletePrinter.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    file(READ ${DLL_DEF} def_text)
    string(REGEX REPLACE "@0 " " " def_text "${def_text}")
    set(DLL_DEF ${CMAKE_BINARY_DIR}/VexloDeletePrinter.def)
    file(CONFIGURE OUTPUT ${DLL_DEF} CONTENT "${def_text}")
endif()
add_library(VexloDeletePrinter SHARED ${DLL_DIR}/DllMain.cpp ${EXPORT_SOURCES} ${DLL_DIR}/StackGuard.cpp ${DLL_DEF})
set_target_properties(VexloDeletePrinter PROPERTIES PREFIX "" OUTPUT_NAME VexloDeletePrinter
                      IMPORT_PREFIX "" IMPORT_SUFFIX ".lib" ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(VexloDeletePrinter PRIVATE VexloCore)
target_compile_options(VexloDeletePrinter PRIVATE ${NO_EXCEPTIONS})
# Exported undecorated; the import library, made by dlltool from the same
# .def, keeps the stdcall decoration (_IsConnected@0) that callers link with.
# Its members and symbols are named after the temporary prefix and the file
# name, not the build path.
target_link_options(VexloDeletePrinter PRIVATE -Wl,--kill-at)
# Shipped stripped; the debug information goes to VexloDeletePrinter.dll.debug
# beside it, found again through the DLL's .gnu_debuglink (file name and CRC)
# by gdb and addr2line. objcopy stamps the images it writes with the time
# unless SOURCE_DATE_EPOCH says otherwise; 0, as the linker leaves it.
add_custom_command(TARGET VexloDeletePrinter POST_BUILD
    COMMAND ${MINGW}-dlltool --kill-at -t VexloDeletePrinter_lib -d ${DLL_DEF} -D VexloDeletePrinter.dll
            -l $<TARGET_LINKER_FILE_NAME:VexloDeletePrinter>
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${MINGW}-objcopy --only-keep-debug $<TARGET_FILE:VexloDeletePrinter>
            $<TARGET_FILE:VexloDeletePrinter>.debug
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${MINGW}-objcopy --strip-all --add-gnu-debuglink=$<TARGET_FILE:VexloDeletePrinter>.debug
            $<TARGET_FILE:VexloDeletePrinter>
    WORKING_DIRECTORY $<TARGET_LINKER_FILE_DIR:VexloDeletePrinter>
    VERBATIM)
add_version_resource(VexloDeletePrinter VexloDeletePrinter.dll
                     "Vexlo-420 printer presence check and software removal" VFT_DLL)

# The host links the library's code for its listing, which decides by the
# removal's own rules; the JSON library (Debian's, header only) is the host's
# alone. Its headers come from a folder of their own, not the build machine's
# include folder.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
add_executable(VexloHost host/VexloHost.cpp host/ListInstalled.cpp host/ReportInventory.cpp)
target_include_directories(VexloHost SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/json-include)
target_link_libraries(VexloHost PRIVATE VexloCore)
add_version_resource(VexloHost VexloHost.exe "Calls VexloDeletePrinter.dll from the command line" VFT_APP)
target_link_libraries(VexloHost PRIVATE version)
target_link_options(VexloHost PRIVATE -s)

add_subdirectory(tests/wine)
add_subdirectory(bench)
