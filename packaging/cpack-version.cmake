# Read by cpack when it makes the package: the version the build wrote
# (version.cmake), so that the package is named after the commit built even
# when CMake last configured at another.
file(READ ${CPACK_LEXMILL_VERSION_FILE} CPACK_PACKAGE_VERSION)
set(CPACK_DEBIAN_PACKAGE_VERSION ${CPACK_PACKAGE_VERSION})
