# The FTP upload: the transfer component Inet (pure C++ on libcurl) and the
# upload window Form1 with its stored connections.
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)

add_library(lexmill_inet STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Inet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InetAddress.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InetTransfer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KnownHosts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PeerTrust.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SshLogin.cpp
)
target_include_directories(lexmill_inet PUBLIC ${CMAKE_CURRENT_LIST_DIR})
pkg_check_modules(OPENSSL REQUIRED IMPORTED_TARGET libssl libcrypto)
target_link_libraries(lexmill_inet PUBLIC PkgConfig::CURL PRIVATE PkgConfig::OPENSSL)
find_package(Threads REQUIRED)
target_link_libraries(lexmill_inet PUBLIC Threads::Threads)

# The stored connections, without Qt: shared by the window and lexmill-batch-upload.
add_library(lexmill_ftp_connections STATIC ${CMAKE_CURRENT_LIST_DIR}/FtpConnections.cpp)
target_include_directories(lexmill_ftp_connections PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lexmill_ftp_connections PUBLIC lexmill_settings)

add_library(lexmill_ftp STATIC ${CMAKE_CURRENT_LIST_DIR}/Form1.cpp
                        ${CMAKE_CURRENT_LIST_DIR}/Form1Connections.cpp)
target_include_directories(lexmill_ftp PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lexmill_ftp
    PUBLIC lexmill_inet lexmill_ftp_connections lexmill_batch lexmill_settings lexmill_results
           lexmill_dialogs Qt6::Widgets)

# The libcurl and SQLite lines of --version.
find_package(SQLite3 REQUIRED)
add_library(lexmill_transfer_versions STATIC ${CMAKE_CURRENT_LIST_DIR}/TransferLibraryVersions.cpp)
target_include_directories(lexmill_transfer_versions PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lexmill_transfer_versions PRIVATE PkgConfig::CURL SQLite::SQLite3)

# lexmill-batch --upload runs this program, from lexmill-batch's own folder.
add_executable(lexmill-batch-upload ${CMAKE_CURRENT_LIST_DIR}/UploadCommand.cpp)
target_link_libraries(lexmill-batch-upload
    PRIVATE lexmill_inet lexmill_ftp_connections lexmill_transfer_versions)
set_target_properties(lexmill-batch-upload
    PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src/cli)
include(GNUInstallDirs)
install(TARGETS lexmill-batch-upload RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
