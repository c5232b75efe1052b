# The program's version, in one place: the project's VERSION, with
# "+git<short commit>" added when the sources are a git checkout, so that a
# build names the commit it was made from. Worked out at every build (not only
# when CMake configures), written only when it changes.
#
# lexmill_version: a small library holding lexmill::kVersion (LexmillVersion.h).
# version.txt in LEXMILL_VERSION_DIR: the same text, for CPack.
set(LEXMILL_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
find_program(GIT_EXECUTABLE git)
add_custom_target(lexmill_version_files
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DSOURCE=${PROJECT_SOURCE_DIR}
            -DGIT=${GIT_EXECUTABLE} -DOUT=${LEXMILL_VERSION_DIR}
            -P ${CMAKE_CURRENT_LIST_DIR}/write-version.cmake
    BYPRODUCTS ${LEXMILL_VERSION_DIR}/LexmillVersion.cpp ${LEXMILL_VERSION_DIR}/version.txt
    VERBATIM)
add_library(lexmill_version STATIC ${LEXMILL_VERSION_DIR}/LexmillVersion.cpp)
target_include_directories(lexmill_version PUBLIC ${CMAKE_CURRENT_LIST_DIR})
add_dependencies(lexmill_version lexmill_version_files)
