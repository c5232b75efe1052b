# The FTP upload: the transfer component Inet (pure C++ on libcurl) and the
# upload window Form1 with its stored connections.
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)

add_library(lexmill_inet STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Inet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InetAddress.cpp
)
target_include_directories(lexmill_inet PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lexmill_inet PRIVATE PkgConfig::CURL)
find_package(Threads REQUIRED)
target_link_libraries(lexmill_inet PUBLIC Threads::Threads)

add_library(lexmill_ftp STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Form1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FtpConnections.cpp
)
target_include_directories(lexmill_ftp PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lexmill_ftp
    PUBLIC lexmill_inet lexmill_engines lexmill_settings lexmill_results lexmill_dialogs Qt6::Widgets)
