# NeraConfig for Windows: the dialog code as a library (no application object, no entry
# point), the program, and the in-process dialog tests that run under Wine.

if(NOT TARGET Kivo5120 OR NOT TARGET Q5120Common)
    message(STATUS "NeraConfig: device libraries not available yet; program and dialog tests skipped")
    return()
endif()

set(NERACONFIG_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/NeraConfig.rc)
# windres does not report the files that the script pulls in.
set_source_files_properties(${NERACONFIG_RESOURCES} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/resource.h;${CMAKE_CURRENT_SOURCE_DIR}/NeraConfig.ico;${NERA_FRAMEWORK_DIR}/framework.rc;${NERA_FRAMEWORK_DIR}/FrameworkResource.h")

nera_add_library(neraconfig_ui
    SOURCES
        NeraConfigDlg_win.cpp
        DeviceAccess_win.cpp
        SettingsFileOps_win.cpp
        StartupOptions_win.cpp
    LIBS settings dll_device_api framework common_win common_portable comctl32 ws2_32)

nera_add_program(NeraConfig
    SOURCES NeraConfigApp_win.cpp ${NERACONFIG_RESOURCES}
    LIBS neraconfig_ui)

# The test program carries the program's resources: dialogs, menu and strings load from it.
nera_add_gtest(neraconfig_dialog_tests
    SOURCES
        tests/dialog_harness_win.cpp
        tests/NeraConfigDlg_win_test.cpp
        tests/StartupOptions_win_test.cpp
        tests/DeviceAccess_win_test.cpp
        tests/SettingsFileOps_win_test.cpp
        tests/HelpAbout_win_test.cpp
        ${NERACONFIG_RESOURCES}
    LIBS neraconfig_ui framework_testing nerasim_core)
nera_program_manifest(NeraConfig neraconfig_dialog_tests FILE NeraConfig IDENTITY NeraConfig VERSION 3.0.1.4
                      DESCRIPTION NeraConfig DIALOG)

# The save cases that need links and file modes made from the Linux side, and an ordinary user.
add_test(NAME wine.neraconfig.save-in-place
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/save_in_place_wine.sh $<TARGET_FILE:neraconfig_dialog_tests>)
set_tests_properties(wine.neraconfig.save-in-place PROPERTIES
    ENVIRONMENT "NERA_WIN_BUILD=${CMAKE_BINARY_DIR}" LABELS wine TIMEOUT 300)
