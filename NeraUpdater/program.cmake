# NeraUpdater for Windows: the dialog code as a library, the program without its package, the
# shipped program with the demonstration package appended, and the in-process dialog tests.
if(NOT TARGET Kivo5120 OR NOT TARGET Q5120Common)
    return()
endif()

set(NERAUPDATER_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/NeraUpdater.rc)
# windres does not report the files that the script pulls in.
set_source_files_properties(${NERAUPDATER_RESOURCES} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/resource.h;${CMAKE_CURRENT_SOURCE_DIR}/NeraUpdater.ico;${NERA_FRAMEWORK_DIR}/framework.rc;${NERA_FRAMEWORK_DIR}/FrameworkResource.h")

nera_add_library(updater_ui
    SOURCES KivoWriterDlg_win.cpp
    LIBS firmware dll_device_api framework common_win common_portable rpcrt4)

# The program as linked, without a package; bin/NeraUpdater.exe is made from it.
nera_add_program(NeraUpdater_bare
    SOURCES KivoWriterApp_win.cpp ${NERAUPDATER_RESOURCES}
    LIBS updater_ui)
set_target_properties(NeraUpdater_bare PROPERTIES OUTPUT_NAME NeraUpdater
                                                  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bare)
nera_package_updater(BARE_TARGET NeraUpdater_bare OUTPUT ${CMAKE_BINARY_DIR}/bin/NeraUpdater.exe)

# The dialog driven in-process; the test carries the updater's resources.
nera_add_gtest(updater_dialog_tests
    SOURCES tests/KivoWriterDlg_win_test.cpp ${NERAUPDATER_RESOURCES}
    LIBS updater_ui framework_testing nerasim_core)
add_dependencies(updater_dialog_tests NeraUpdater_bare_package)
nera_program_manifest(NeraUpdater_bare updater_dialog_tests FILE NeraUpdater IDENTITY Updater VERSION 5.0.0.1
                      DESCRIPTION "Q5120 Firmware Update Program" DIALOG)
