# Suites that run under Wine against the real registry of a throwaway prefix.
add_executable(parity_tests registry/parity_test.cpp ${KARNIO_TEST_MANIFEST})
target_link_libraries(parity_tests PRIVATE karnio_test_support GTest::gtest_main)
add_test(NAME parity COMMAND parity_tests)
