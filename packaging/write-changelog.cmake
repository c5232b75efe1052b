# cmake -DVERSION_FILE=<version.txt> -DMAINTAINER=<name <mail>> -DOUT=<changelog.gz>
#       -P write-changelog.cmake
# The package's changelog, in Debian's format, for the version built; dated
# SOURCE_DATE_EPOCH when it is set (reproducible builds), otherwise now.
file(READ ${VERSION_FILE} version)
string(REGEX MATCH "^[0-9.]+" release "${version}")
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
get_filename_component(folder ${OUT} DIRECTORY)
file(WRITE ${folder}/changelog
"lexmill (${version}) unstable; urgency=medium

  * Lexmill ${release}; what is new is in the README and the help pages.

 -- ${MAINTAINER}  ${date}
")
execute_process(COMMAND gzip -9nf ${folder}/changelog RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip could not compress ${folder}/changelog")
endif()
