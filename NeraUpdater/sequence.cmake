# The connect, identity check, write and verify steps: portable code that the dialog links in
# every tree and that the native tests run against the simulated module.

nera_add_library(updater_sequence
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/UpdaterSequence.cpp
    LIBS common_portable
    INCLUDES ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/common)

if(NOT WIN32)
    nera_add_gtest(updater_sequence_tests
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/UpdaterSequence_test.cpp
                ${PROJECT_SOURCE_DIR}/devsim/tests/TestStore.cpp
        LIBS updater_sequence nerasim_core)
    target_include_directories(updater_sequence_tests PRIVATE ${PROJECT_SOURCE_DIR}/devsim/tests)
    set_target_properties(updater_sequence_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
