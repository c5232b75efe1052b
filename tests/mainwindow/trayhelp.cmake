# The tray icon's protocol and the help window, on the offscreen platform.
add_executable(trayhelp_tests
    ${CMAKE_CURRENT_LIST_DIR}/TrayHelpTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrayIconTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpWindowTest.cpp
)
target_link_libraries(trayhelp_tests PRIVATE lexmill_trayhelp Qt6::Test)
add_test(NAME trayhelp_tests COMMAND trayhelp_tests)
set_tests_properties(trayhelp_tests PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
