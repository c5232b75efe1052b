# The transfer component and the upload window, against a pyftpdlib server
# started by the tests.
add_executable(inet_tests ${CMAKE_CURRENT_LIST_DIR}/InetTest.cpp)
target_link_libraries(inet_tests
    PRIVATE lexmill_inet lexmill_ftp_connections lexmill_test_headers GTest::gtest_main)
if(TARGET lexmill-batch)
    target_compile_definitions(inet_tests PRIVATE LEXMILL_BATCH="$<TARGET_FILE:lexmill-batch>")
    add_dependencies(inet_tests lexmill-batch)
endif()
add_executable(ftp_window_tests ${CMAKE_CURRENT_LIST_DIR}/Form1Test.cpp)
target_link_libraries(ftp_window_tests PRIVATE lexmill_ftp lexmill_test_qtmain)
foreach(suite inet_tests ftp_window_tests)
    target_compile_definitions(${suite} PRIVATE
        LEXMILL_FTP_SERVER_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/ftp_test_server.py")
    gtest_discover_tests(${suite} NO_PRETTY_VALUES DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 300)
endforeach()
