# Tests of the FTP upload, against a pyftpdlib server started by the tests.
set(LEXMILL_FTP_SERVER_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/ftp_test_server.py)

add_executable(inet_tests
    ${CMAKE_CURRENT_LIST_DIR}/FtpTestServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InetTest.cpp
)
target_compile_definitions(inet_tests PRIVATE
    LEXMILL_FTP_SERVER_SCRIPT="${LEXMILL_FTP_SERVER_SCRIPT}")
target_link_libraries(inet_tests PRIVATE lexmill_inet GTest::gtest_main)
gtest_discover_tests(inet_tests DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 300)

add_executable(ftp_window_tests
    ${CMAKE_CURRENT_LIST_DIR}/Form1ConnectionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Form1UploadTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FtpTestServer.cpp
)
target_compile_definitions(ftp_window_tests PRIVATE
    LEXMILL_FTP_SERVER_SCRIPT="${LEXMILL_FTP_SERVER_SCRIPT}")
target_link_libraries(ftp_window_tests PRIVATE lexmill_ftp lexmill_test_qtmain)
gtest_discover_tests(ftp_window_tests DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 300)
