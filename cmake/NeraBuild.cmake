# Build helpers shared by every folder of the project.

option(NERA_SANITIZE "Build native code with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# Fuzzing needs clang: cmake -DNERA_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
option(NERA_FUZZ "Build the fuzz targets (native, clang)" OFF)
if(NERA_FUZZ AND NOT WIN32)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    # Tests built for Windows run under Wine through this wrapper (Japanese locale, private prefix).
    # A one-word wrapper in the build folder, since test discovery takes a single program.
    file(WRITE ${CMAKE_BINARY_DIR}/wine-run
         "#!/bin/sh\nNERA_WIN_BUILD='${CMAKE_BINARY_DIR}' exec '${CMAKE_SOURCE_DIR}/scripts/wine-run.sh' \"$@\"\n")
    file(CHMOD ${CMAKE_BINARY_DIR}/wine-run PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    # Reproducible programs: no link time in the PE header, the source and build folders mapped
    # out of what the compiler writes (the build folder last, as it lies inside the source
    # folder), and a build id computed from the contents, which ties a program to the separate
    # symbol file that scripts/release.sh keeps for it.
    add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/nera/src>"
                        "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=/nera/build>")
    add_link_options(-Wl,--no-insert-timestamp -Wl,--build-id)
endif()

# Strict warnings for the project's own targets (not for googletest).
function(nera_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(NOT WIN32 AND NERA_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=all)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# Static C and C++ runtime, so an .exe or .dll needs no MinGW DLL beside it.
function(nera_static_runtime target)
    if(WIN32)
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()

# A Windows GUI program with a wide entry point.
function(nera_add_program target)
    cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} WIN32 ${P_SOURCES} ${PROJECT_SOURCE_DIR}/framework/WinMain_win.cpp)
    target_link_options(${target} PRIVATE -municode)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    target_link_libraries(${target} PRIVATE ${P_LIBS})
    nera_strict(${target})
    nera_static_runtime(${target})
endfunction()

# A static library of the project's own code.
function(nera_add_library target)
    cmake_parse_arguments(P "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
    add_library(${target} STATIC ${P_SOURCES})
    target_link_libraries(${target} PUBLIC ${P_LIBS})
    target_include_directories(${target} PUBLIC ${P_INCLUDES})
    nera_strict(${target})
endfunction()

# The test layer of this tree, the prefix and label of its tests: wine, asan or native.
function(nera_test_layer out)
    if(WIN32)
        set(${out} wine PARENT_SCOPE)
    elseif(NERA_SANITIZE)
        set(${out} asan PARENT_SCOPE)
    else()
        set(${out} native PARENT_SCOPE)
    endif()
endfunction()

# A GoogleTest program. Natively it runs directly; in the Windows build it runs under Wine.
# Each test case becomes a CTest test; the label tells the layer (native or wine).
function(nera_add_gtest target)
    cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} ${P_SOURCES})
    target_link_libraries(${target} PRIVATE ${P_LIBS} GTest::gtest GTest::gtest_main)
    nera_strict(${target})
    nera_static_runtime(${target})
    if(WIN32)
        # Beside the programs and the device libraries, which the tests load.
        set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    endif()
    nera_test_layer(layer)
    gtest_discover_tests(${target} TEST_PREFIX "${layer}." DISCOVERY_MODE PRE_TEST
                         DISCOVERY_TIMEOUT 120 PROPERTIES LABELS ${layer} TIMEOUT 120)
endfunction()

# nera_program_manifest(<target>... FILE <name> [IDENTITY <name> VERSION <a.b.c.d>]
#                       [DESCRIPTION <text>] [DIALOG])
#   Fills cmake/program.manifest.in into <name>.manifest in the current binary folder and adds
#   it as resource 1 of type 24 (RT_MANIFEST) to each target. Every program runs as the
#   invoking user, names the systems it is made for and is long-path aware; DIALOG adds common
#   controls 6 and DPI awareness, per monitor (v2) where the system has it and system-wide
#   before, so that the system scales the dialog templates. IDENTITY and VERSION keep the
#   assembly identity a program has always had; without them the manifest names none.
function(nera_program_manifest)
    cmake_parse_arguments(P "DIALOG" "FILE;IDENTITY;VERSION;DESCRIPTION" "" ${ARGN})
    if(NOT P_FILE OR NOT P_UNPARSED_ARGUMENTS OR (P_IDENTITY AND NOT P_VERSION) OR (P_VERSION AND NOT P_IDENTITY))
        message(FATAL_ERROR "nera_program_manifest(<target>... FILE <name> [IDENTITY <name> VERSION <version>] [DESCRIPTION <text>] [DIALOG])")
    endif()
    if(P_VERSION AND NOT P_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
        message(FATAL_ERROR "nera_program_manifest: VERSION must have four numbers: ${P_VERSION}")
    endif()
    set(NERA_MANIFEST_PROGRAM ${P_FILE})
    set(NERA_MANIFEST_IDENTITY "")
    if(P_IDENTITY)
        string(APPEND NERA_MANIFEST_IDENTITY "  <assemblyIdentity version=\"${P_VERSION}\" "
               "processorArchitecture=\"*\" name=\"${P_IDENTITY}\" type=\"win32\"/>\n")
    endif()
    if(P_DESCRIPTION)
        string(APPEND NERA_MANIFEST_IDENTITY "  <description>${P_DESCRIPTION}</description>\n")
    endif()
    set(NERA_MANIFEST_DPI "")
    set(NERA_MANIFEST_DEPENDENCY "")
    if(P_DIALOG)
        string(CONCAT NERA_MANIFEST_DPI
            "      <!-- Sharp dialogs at any scaling: per monitor (v2) from Windows 10 1703, system-aware before. -->\n"
            "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>\n"
            "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, System</dpiAwareness>")
        string(CONCAT NERA_MANIFEST_DEPENDENCY
            "  <dependency>\n"
            "    <dependentAssembly>\n"
            "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"\n"
            "                        processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
            "    </dependentAssembly>\n"
            "  </dependency>")
    endif()
    set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${P_FILE}.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${manifest} @ONLY)
    # A resource script of its own, so that every target that carries the manifest gets this one.
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${P_FILE}.manifest.rc)
    file(CONFIGURE OUTPUT ${script} CONTENT "LANGUAGE 0x11, 0x01\n1 24 \"${manifest}\"\n")
    set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS ${manifest})
    foreach(target ${P_UNPARSED_ARGUMENTS})
        target_sources(${target} PRIVATE ${script})
    endforeach()
endfunction()
