# The tray icon controller and the help window with its pages (compiled in as
# Qt resources through AUTORCC).
add_library(lexmill_trayhelp STATIC
    ${CMAKE_CURRENT_LIST_DIR}/HelpCatalogue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrayIcon.cpp
    ${PROJECT_SOURCE_DIR}/resources/help/help.qrc
)
target_include_directories(lexmill_trayhelp PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lexmill_trayhelp PUBLIC Qt6::Widgets)

# The main window uses both.
if(TARGET lexmill_mainwindow)
    target_link_libraries(lexmill_mainwindow PUBLIC lexmill_trayhelp)
endif()
