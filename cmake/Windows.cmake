# The real DLL, its host program, and the tests that run under Wine: PE32 for
# 32-bit Windows 5.01 and later (and WOW64), or PE32+ for 64-bit Windows 5.02
# and later, the first 64-bit Windows for x64.
set(MINGW ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WINDOWS_VERSION 5.02)
    set(WINDOWS_MINOR 2)
    set(LLVM_MACHINE i386:x86-64)
    set(MSVC_MACHINE x64)
else()
    set(WINDOWS_VERSION 5.01)
    set(WINDOWS_MINOR 1)
    set(LLVM_MACHINE i386)
    set(MSVC_MACHINE x86)
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
# C++ targets are linked by lld, through clang's driver (GCC's driver here
# always runs GNU ld), with GCC's runtime and start files: lld writes a PDB
# that Windows' debuggers and symbol servers match to the image by the GUID
# and age of its CodeView record. -Brepro makes both the GUID and the time
# stamp a hash of the output, so two builds still give the same bytes; the
# PDB's working folder is a fixed name, and every other path it records is
# relative to the build folder or a system one. The C test programs keep
# GNU ld.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
                OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
cmake_path(GET libgcc PARENT_PATH GCC_LIBRARY_DIR)
set(LLD_DRIVER "clang++ --target=${MINGW} -fuse-ld=lld -B${GCC_LIBRARY_DIR} -L${GCC_LIBRARY_DIR}")
foreach(rule CREATE_SHARED_LIBRARY CREATE_SHARED_MODULE LINK_EXECUTABLE)
    string(REPLACE "<CMAKE_CXX_COMPILER>" "${LLD_DRIVER}" CMAKE_CXX_${rule} "${CMAKE_CXX_${rule}}")
endforeach()
add_link_options("$<$<LINK_LANGUAGE:CXX>:LINKER:-Xlink=-Brepro,-Xlink=-pdbsourcepath:/VexloDeletePrinter/build>")
# x86: no structured exception handler lives in these images (nothing
# registers one on the %fs:0 chain: GCC's unwinder and ours use none), so
# they are marked NO_SEH and the system refuses any handler claimed to be in
# them. x64: CET shadow stack compatible, since all unwinding goes through
# the system's own unwinder; and high-entropy ASLR, asked for by name.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va "$<$<LINK_LANGUAGE:CXX>:LINKER:-Xlink=-cetcompat>")
else()
    add_link_options(-Wl,--no-seh)
endif()
add_link_options(-fstack-protector-strong -static -Wl,--dynamicbase,--nxcompat -Wl,--major-os-version,5
                 -Wl,--minor-os-version,${WINDOWS_MINOR}
                 -Wl,--subsystem,$<IF:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>,console,windows>:${WINDOWS_VERSION})

# winspool.drv and setupapi.dll are not imported: the library loads them by
# their full path in the system directory, so that no copy planted in the
# host's folder is ever loaded.
target_link_libraries(VexloCore PUBLIC advapi32 user32)

# A DLL shipped to customers, built from the library by the same rules:
# exports from a .def, undecorated; an import library; the image stripped
# and its debug information beside it; a version resource.
# ship_dll(<name> <.def> <description> <sources...>)
#
# The .def names the exports as the 32-bit compiler decorates them (stdcall:
# IsConnected@0, VexloRemove@4); the 64-bit one has a single convention and
# no decoration, so its copy of the .def is the same list without it.
function(ship_dll name def description)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        file(READ ${def} def_text)
        string(REGEX REPLACE "@[0-9]+ " " " def_text "${def_text}")
        set(def ${CMAKE_BINARY_DIR}/${name}.def)
        file(CONFIGURE OUTPUT ${def} CONTENT "${def_text}")
    else()
        configure_file(${def} ${CMAKE_BINARY_DIR}/${name}.def COPYONLY)
        set(def ${CMAKE_BINARY_DIR}/${name}.def)
    endif()
    add_library(${name} SHARED ${DLL_ENTRY_SOURCE} ${ARGN} ${DLL_STACK_GUARD_SOURCE})
    # The .def and the PDB are named relative to the build folder, where the
    # link runs, so that the PDB records no path of this machine. The image
    # names its PDB by file name only, as symbol servers index it.
    target_link_options(${name} PRIVATE ${name}.def -Wl,--pdb=bin/${name}.pdb LINKER:-Xlink=-pdbaltpath:%_PDB%)
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${def})
    set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
                          IMPORT_PREFIX "" IMPORT_SUFFIX ".lib" ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    target_link_libraries(${name} PRIVATE VexloCore VexloDeletePrinterApi)
    target_compile_options(${name} PRIVATE ${NO_EXCEPTIONS})
    # Exported undecorated; the import library, made by llvm-dlltool from
    # the same .def, keeps the stdcall decoration (_IsConnected@0) that
    # callers link with. It is the short import format, which Microsoft's
    # linker takes with SafeSEH on (GNU dlltool's objects carry no SafeSEH
    # mark) and MinGW-w64's ld takes too; its members are named after the
    # DLL, not the build path.
    target_link_options(${name} PRIVATE -Wl,--kill-at)
    # The linker's map names every archive member it took: the notices of
    # the bundle are made from it (scripts/notices). Named relative to the
    # build folder, as the PDB is: the PDB records the link's command line.
    target_link_options(${name} PRIVATE -Wl,-Map=bin/${name}.dll.map)
    # Shipped stripped; the debug information goes to <name>.dll.debug
    # beside it, found again through the DLL's .gnu_debuglink (file name and
    # CRC) by gdb and addr2line. objcopy stamps the images it writes with the
    # time unless SOURCE_DATE_EPOCH says otherwise; 0, as the linker leaves it.
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND llvm-dlltool -m ${LLVM_MACHINE} -k -d ${def} -D ${name}.dll -l $<TARGET_LINKER_FILE_NAME:${name}>
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${MINGW}-objcopy --only-keep-debug $<TARGET_FILE:${name}>
                $<TARGET_FILE:${name}>.debug
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${MINGW}-objcopy --strip-all
                --add-gnu-debuglink=$<TARGET_FILE:${name}>.debug $<TARGET_FILE:${name}>
        WORKING_DIRECTORY $<TARGET_LINKER_FILE_DIR:${name}>
        VERBATIM)
    add_version_resource(${name} ${name}.dll "${description}" VFT_DLL)
endfunction()

ship_dll(VexloDeletePrinter ${PRINTER_DIR}/VexloDeletePrinter.def
         "Vexlo-420 printer presence check and software removal" ${EXPORT_SOURCES})

# The Windows Installer custom actions: the same library, behind the
# signature a package's DLL custom action has. msi.dll is imported: the
# custom-action server that loads this DLL has loaded it already.
ship_dll(VexloInstallerActions ${ACTIONS_DIR}/VexloInstallerActions.def
         "Vexlo-420 printer Windows Installer custom actions" ${ACTIONS_SOURCES})
target_include_directories(VexloInstallerActions PRIVATE ${ACTIONS_DIR})
target_link_libraries(VexloInstallerActions PRIVATE msi)

# The host links the library's code for its listing, which decides by the
# removal's own rules; the JSON library (Debian's, header only) is the host's
# alone. Its headers come from a folder of their own, not the build machine's
# include folder.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
add_executable(VexloHost ${HOST_SOURCES})
target_include_directories(VexloHost SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/json-include)
target_link_libraries(VexloHost PRIVATE VexloCore)
add_version_resource(VexloHost VexloHost.exe "Calls VexloDeletePrinter.dll from the command line" VFT_APP)
# Shipped stripped, with its PDB beside it (lld keeps the DWARF sections
# when it writes a PDB, so objcopy strips them).
target_link_options(VexloHost PRIVATE -Wl,--pdb=bin/VexloHost.pdb LINKER:-Xlink=-pdbaltpath:%_PDB%
                   -Wl,-Map=bin/VexloHost.exe.map)
add_custom_command(TARGET VexloHost POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${MINGW}-objcopy --strip-all $<TARGET_FILE:VexloHost>
    VERBATIM)

add_subdirectory(tests/wine)
add_subdirectory(bench)
