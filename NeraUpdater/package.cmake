# The firmware package: DES, the package reader and the package builder (portable code), the
# nerapack tool, their native tests, and nera_package_updater() that appends the demonstration
# package to the updater program.

nera_add_library(updater_package
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Des.cpp ${CMAKE_CURRENT_SOURCE_DIR}/FirmwarePackage.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/PackageBuilder.cpp
    LIBS common_portable
    INCLUDES ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/common)

# The nerapack tool: its command line (portable) over a small file seam per platform.
if(WIN32)
    nera_add_library(nerapack_core
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/NerapackTool.cpp ${CMAKE_CURRENT_SOURCE_DIR}/PackageFiles_win.cpp
        LIBS updater_package common_win bcrypt)
    add_executable(nerapack ${CMAKE_CURRENT_SOURCE_DIR}/nerapack_win.cpp)
    target_link_options(nerapack PRIVATE -municode)
else()
    nera_add_library(nerapack_core
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/NerapackTool.cpp ${CMAKE_CURRENT_SOURCE_DIR}/PackageFiles_posix.cpp
        LIBS updater_package)
    add_executable(nerapack ${CMAKE_CURRENT_SOURCE_DIR}/nerapack_posix.cpp)
endif()
target_link_libraries(nerapack PRIVATE nerapack_core)
nera_strict(nerapack)
nera_static_runtime(nerapack)
set_target_properties(nerapack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
if(WIN32)
    nera_program_manifest(nerapack FILE nerapack)
endif()

if(NOT WIN32)
    set(updater_package_test_sources
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/Des_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/FirmwarePackage_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/Nerapack_test.cpp)
    # The distribution's libcrypto is the reference for DES in the tests, never in the program.
    find_package(OpenSSL QUIET COMPONENTS Crypto)
    if(OpenSSL_FOUND)
        list(APPEND updater_package_test_sources ${CMAKE_CURRENT_SOURCE_DIR}/tests/DesReference_test.cpp)
    else()
        message(STATUS "updater_package_tests: libssl-dev missing; DES is not compared with libcrypto")
    endif()
    nera_add_gtest(updater_package_tests
        SOURCES ${updater_package_test_sources}
        LIBS nerapack_core updater_package)
    target_include_directories(updater_package_tests PRIVATE ${PROJECT_SOURCE_DIR}/NeraConfig/tests)
    if(OpenSSL_FOUND)
        target_link_libraries(updater_package_tests PRIVATE OpenSSL::Crypto)
    endif()
endif()

# The demonstration package. A cross build cannot run the nerapack it builds, so it compiles
# a copy for the build machine with the build machine's compiler; a native build uses its own.
set(NERA_DEMO_PACKAGE_KEY "3A6C15E29B40D758" CACHE INTERNAL "DES key of the demonstration package")
set(NERA_DEMO_PACKAGE_VERSION "5.7.1" CACHE INTERNAL "version text of the demonstration package")
if(CMAKE_CROSSCOMPILING)
    find_program(NERA_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(host_nerapack ${CMAKE_BINARY_DIR}/host/nerapack)
    set(host_sources
        ${CMAKE_CURRENT_SOURCE_DIR}/Des.cpp ${CMAKE_CURRENT_SOURCE_DIR}/FirmwarePackage.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/PackageBuilder.cpp ${CMAKE_CURRENT_SOURCE_DIR}/NerapackTool.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/PackageFiles_posix.cpp ${CMAKE_CURRENT_SOURCE_DIR}/nerapack_posix.cpp
        ${PROJECT_SOURCE_DIR}/common/TextCodec_posix.cpp ${PROJECT_SOURCE_DIR}/common/HexText.cpp
        ${PROJECT_SOURCE_DIR}/common/Utf8Text.cpp)
    set(host_headers
        ${CMAKE_CURRENT_SOURCE_DIR}/Des.h ${CMAKE_CURRENT_SOURCE_DIR}/FirmwarePackage.h
        ${CMAKE_CURRENT_SOURCE_DIR}/PackageBuilder.h ${CMAKE_CURRENT_SOURCE_DIR}/NerapackTool.h
        ${CMAKE_CURRENT_SOURCE_DIR}/PackageFiles.h ${PROJECT_SOURCE_DIR}/common/TextCodec.h
        ${PROJECT_SOURCE_DIR}/common/ByteOrder.h ${PROJECT_SOURCE_DIR}/common/HexText.h
        ${PROJECT_SOURCE_DIR}/common/Utf8Text.h)
    add_custom_command(OUTPUT ${host_nerapack}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
        COMMAND ${NERA_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -Werror -I${CMAKE_CURRENT_SOURCE_DIR}
                -I${PROJECT_SOURCE_DIR}/common ${host_sources} -o ${host_nerapack}
        DEPENDS ${host_sources} ${host_headers}
        COMMENT "Building nerapack for the build machine"
        VERBATIM)
    add_custom_target(nerapack_host DEPENDS ${host_nerapack})
    set(NERA_PACKAGE_BUILDER ${host_nerapack} CACHE INTERNAL "nerapack that runs on the build machine")
    set(NERA_PACKAGE_BUILDER_TARGET nerapack_host CACHE INTERNAL "target that makes NERA_PACKAGE_BUILDER")
else()
    set(NERA_PACKAGE_BUILDER ${CMAKE_BINARY_DIR}/bin/nerapack CACHE INTERNAL "nerapack that runs on the build machine")
    set(NERA_PACKAGE_BUILDER_TARGET nerapack CACHE INTERNAL "target that makes NERA_PACKAGE_BUILDER")
endif()

set(NERA_DEMO_IMAGE ${CMAKE_BINARY_DIR}/package/demo_image.bin CACHE INTERNAL "the demonstration image")
add_custom_command(OUTPUT ${NERA_DEMO_IMAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND ${NERA_PACKAGE_BUILDER} demo-image ${NERA_DEMO_IMAGE}
    DEPENDS ${NERA_PACKAGE_BUILDER_TARGET} ${NERA_PACKAGE_BUILDER}
    COMMENT "Making the demonstration firmware image"
    VERBATIM)
add_custom_target(nera_demo_image DEPENDS ${NERA_DEMO_IMAGE})

# nera_package_updater(BARE_TARGET <target> OUTPUT <path>)
#   Writes OUTPUT: the file of the executable target BARE_TARGET (the updater without a
#   package) followed by the demonstration package (the demonstration image, version 5.7.1,
#   the fixed demonstration key). A target <BARE_TARGET>_package, built by default, makes it,
#   again whenever the bare program, the image or the builder changes. BARE_TARGET's file is
#   never changed; OUTPUT must be another path.
function(nera_package_updater)
    cmake_parse_arguments(P "" "BARE_TARGET;OUTPUT" "" ${ARGN})
    if(NOT P_BARE_TARGET OR NOT P_OUTPUT OR P_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "nera_package_updater(BARE_TARGET <target> OUTPUT <path>)")
    endif()
    add_custom_command(OUTPUT ${P_OUTPUT}
        COMMAND ${NERA_PACKAGE_BUILDER} --updater $<TARGET_FILE:${P_BARE_TARGET}> --image ${NERA_DEMO_IMAGE}
                --version ${NERA_DEMO_PACKAGE_VERSION} --key ${NERA_DEMO_PACKAGE_KEY} --out ${P_OUTPUT}
        DEPENDS ${P_BARE_TARGET} $<TARGET_FILE:${P_BARE_TARGET}> ${NERA_DEMO_IMAGE} ${NERA_PACKAGE_BUILDER}
        COMMENT "Appending the demonstration package: ${P_OUTPUT}"
        VERBATIM)
    add_custom_target(${P_BARE_TARGET}_package ALL DEPENDS ${P_OUTPUT})
    add_dependencies(${P_BARE_TARGET}_package nera_demo_image ${NERA_PACKAGE_BUILDER_TARGET})
endfunction()
