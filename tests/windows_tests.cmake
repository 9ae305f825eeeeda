# Suites that run under Wine against the real registry of a throwaway prefix.
add_library(karnio_real_registry STATIC support/real_registry.cpp)
target_link_libraries(karnio_real_registry PUBLIC karnio_test_support)

add_executable(parity_tests registry/parity_test.cpp ${KARNIO_TEST_MANIFEST})
target_link_libraries(parity_tests PRIVATE karnio_real_registry GTest::gtest_main)
add_test(NAME parity COMMAND parity_tests)

# The real windows, driven in-process: run again at 144 DPI (label dpi).
add_library(karnio_ui_test_support STATIC ui/ui_support.cpp support/process_resources.cpp)
target_include_directories(karnio_ui_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(karnio_ui_test_support PUBLIC karnio_ui karnio_real_registry GTest::gtest)

function(karnio_ui_test name)
    add_executable(${name} ${ARGN} ${KARNIO_RESOURCES})
    target_link_libraries(${name} PRIVATE karnio_ui_test_support GTest::gtest_main)
    add_dependencies(${name} karnio-demo)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS dpi
        ENVIRONMENT "KARNIO_DEMO=$<SHELL_PATH:$<TARGET_FILE:karnio-demo>>")
endfunction()

karnio_ui_test(main_window_tests ui/main/main_window_test.cpp ui/main/run_command_test.cpp ui/main/sources_test.cpp
               ui/main/dpi_test.cpp ui/main/hostile_data_test.cpp ui/main/undo_test.cpp ui/main/selection_test.cpp)
karnio_ui_test(about_window_tests ui/about/about_window_test.cpp)

# Real installers, built on the host by Debian's makensis and wixl before the test that installs them.
find_program(KARNIO_MAKENSIS makensis REQUIRED)
find_program(KARNIO_WIXL wixl REQUIRED)
set(KARNIO_INSTALLERS ${CMAKE_CURRENT_BINARY_DIR}/installers)
file(MAKE_DIRECTORY ${KARNIO_INSTALLERS})
add_test(NAME nsis_installer COMMAND ${KARNIO_MAKENSIS} -V2 -DOUTFILE=${KARNIO_INSTALLERS}/karnio-nsis-demo.exe
         ${CMAKE_CURRENT_SOURCE_DIR}/installers/nsis-demo.nsi)
add_test(NAME msi_installer COMMAND ${KARNIO_WIXL} -a x86 -o ${KARNIO_INSTALLERS}/karnio-wixl-demo.msi wixl-demo.wxs
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/installers)
set_tests_properties(nsis_installer msi_installer PROPERTIES FIXTURES_SETUP installers)
karnio_ui_test(installer_tests ui/main/installers_test.cpp)
set_tests_properties(installer_tests PROPERTIES FIXTURES_REQUIRED installers
    ENVIRONMENT "KARNIO_INSTALLERS=${KARNIO_INSTALLERS}")

# Long use and a registry changing underneath: once, at the first DPI.
add_executable(karnio-churn support/registry_churn.cpp ${KARNIO_TEST_MANIFEST})
target_link_options(karnio-churn PRIVATE -municode)
karnio_ui_test(soak_tests ui/soak_test.cpp)
add_dependencies(soak_tests karnio-churn)
set_tests_properties(soak_tests PROPERTIES LABELS soak
    ENVIRONMENT "KARNIO_CHURN=$<SHELL_PATH:$<TARGET_FILE:karnio-churn>>")

# The release ZIP as tools/test unpacks it.
add_executable(package_tests app/package_test.cpp ${KARNIO_TEST_MANIFEST})
target_link_libraries(package_tests PRIVATE karnio_ui GTest::gtest_main)
add_test(NAME package COMMAND package_tests)
set_tests_properties(package PROPERTIES ENVIRONMENT "KARNIO_PACKAGE_DIR=${CMAKE_BINARY_DIR}/package/karnio-1.2-win64")
