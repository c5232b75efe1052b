add_executable(meta_tests frmMetaTest.cpp)
target_link_libraries(meta_tests PRIVATE lexmill_meta lexmill_test_support Qt6::Test)
add_test(NAME meta_tests COMMAND meta_tests)
set_tests_properties(meta_tests PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
