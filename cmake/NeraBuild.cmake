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
    # Resource scripts find framework.rc and the program's own headers.
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/framework ${CMAKE_CURRENT_SOURCE_DIR})
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
