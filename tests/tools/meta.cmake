add_executable(meta_tests ${CMAKE_CURRENT_LIST_DIR}/MetaTest.cpp)
target_link_libraries(meta_tests PRIVATE lexmill_meta lexmill_test_qtmain)
gtest_discover_tests(meta_tests NO_PRETTY_VALUES DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
