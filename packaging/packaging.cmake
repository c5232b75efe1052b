# What `cmake --install` puts under the prefix besides the programs (installed
# beside their targets): the manual pages, the bash completion, the desktop
# entry's AppStream metadata, the copyright and changelog; and the Debian
# package of it all: cmake --build build/default --target package.
include(GNUInstallDirs)
set(LEXMILL_ID example.bramblegate.Lexmill)  # reverse of the maker's domain
set(LEXMILL_MAINTAINER "Bramblegate <support@bramblegate.example>")
set(LEXMILL_HOMEPAGE "https://www.bramblegate.example/")
set(packaging ${CMAKE_CURRENT_LIST_DIR})
set(out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${out}/man)

# Manual pages: scdoc sources here, roff made at build time. scdoc because its
# source reads as the page will (no markup language of its own to learn) and
# Debian's package of it is a 30 kB program with no dependencies.
find_program(SCDOC scdoc REQUIRED)
set(pages)
foreach(page lexmill.1 lexmill-batch.1)
    add_custom_command(OUTPUT ${out}/man/${page}.gz
        COMMAND ${CMAKE_COMMAND} -DSCDOC=${SCDOC} -DIN=${packaging}/man/${page}.scd
                -DOUT=${out}/man/${page}.gz -P ${packaging}/build-man-page.cmake
        DEPENDS ${packaging}/man/${page}.scd ${packaging}/build-man-page.cmake VERBATIM)
    list(APPEND pages ${out}/man/${page}.gz)
endforeach()
# lexmill-batch-upload is lexmill-batch --upload: its page is lexmill-batch's.
file(CREATE_LINK lexmill-batch.1.gz ${out}/man/lexmill-batch-upload.1.gz SYMBOLIC)
add_custom_command(OUTPUT ${out}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -DVERSION_FILE=${LEXMILL_VERSION_DIR}/version.txt
            "-DMAINTAINER=${LEXMILL_MAINTAINER}" -DOUT=${out}/changelog.gz
            -P ${packaging}/write-changelog.cmake
    DEPENDS ${LEXMILL_VERSION_DIR}/version.txt ${packaging}/write-changelog.cmake VERBATIM)
add_custom_target(lexmill_documents ALL DEPENDS ${pages} ${out}/changelog.gz)
add_dependencies(lexmill_documents lexmill_version_files)
install(FILES ${pages} ${out}/man/lexmill-batch-upload.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# bash completion where bash-completion looks (its completionsdir, taken
# relative to its prefix so that another install prefix is followed).
pkg_get_variable(completion_dir bash-completion completionsdir)
pkg_get_variable(completion_prefix bash-completion prefix)
if(completion_dir AND completion_prefix)
    file(RELATIVE_PATH completion_dir ${completion_prefix} ${completion_dir})
else()
    set(completion_dir ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
install(FILES ${packaging}/bash-completion/lexmill-batch DESTINATION ${completion_dir})

# The desktop entry (installed with the program) and what software centres show.
configure_file(${packaging}/${LEXMILL_ID}.metainfo.xml.in ${out}/${LEXMILL_ID}.metainfo.xml @ONLY)
install(FILES ${out}/${LEXMILL_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${packaging}/copyright ${out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lexmill)

# The Debian package: lexmill_<version>_<arch>.deb in the build folder.
# scripts/check-package runs lintian on it and fails on any error or warning;
# none is left. What lintian notes as information only (lintian --info):
#  - binary-has-unneeded-section .comment: CPack strips with a plain `strip`,
#    which keeps the compiler's one-line .comment; harmless.
#  - hardening-no-bindnow: -z now would bind every symbol at start-up, which
#    lexmill-batch's start-up (a search of one small file) pays for each run.
#  - hardening-no-fortify-functions: the build does not take Debian's
#    dpkg-buildflags (-D_FORTIFY_SOURCE); the warnings and sanitizer builds
#    stay the project's own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lexmill)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VENDOR Bramblegate)
set(CPACK_PACKAGE_CONTACT ${LEXMILL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search and replace text in many files, tally words and lines")
set(CPACK_PACKAGE_DESCRIPTION
"Lexmill is a desktop tool for people who keep folders of text and web files.
In one window you pick a work folder and a file filter, select files, and then
search them for a text or a regular expression and replace it everywhere (with
backups, a preview and undo), tally the lines, words and keyword hits of a
file, list the meta tags of a web page, or upload the files by FTP, FTP with
TLS or SFTP through remembered connections.

The command lexmill-batch does the same search and replace, tally, undo and
uploads from scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LEXMILL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LEXMILL_HOMEPAGE})
# The licence lets copies go only unchanged: not free in Debian's sense.
set(CPACK_DEBIAN_PACKAGE_SECTION non-free/utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are the libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_LEXMILL_VERSION_FILE ${LEXMILL_VERSION_DIR}/version.txt)
set(CPACK_PROJECT_CONFIG_FILE ${packaging}/cpack-version.cmake)
include(CPack)
