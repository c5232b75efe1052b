# cmake -DVERSION=0.3.0 -DSOURCE=<sources> -DGIT=<git or empty> -DOUT=<folder>
#       -P write-version.cmake
# Writes OUT/LexmillVersion.cpp and OUT/version.txt, each only when its
# content changes, so that nothing is rebuilt for an unchanged version.
set(version ${VERSION})
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE} rev-parse --show-toplevel --short HEAD
                    OUTPUT_VARIABLE lines RESULT_VARIABLE failed ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed)
        string(REPLACE "\n" ";" lines "${lines}")
        list(GET lines 0 top)
        list(GET lines 1 commit)
        file(REAL_PATH ${top} top)
        file(REAL_PATH ${SOURCE} source)
        # Only the sources' own checkout, not one they happen to lie in.
        if(top STREQUAL source)
            set(version "${version}+git${commit}")
        endif()
    endif()
endif()

function(write_if_changed file content)
    if(EXISTS ${file})
        file(READ ${file} old)
        if(old STREQUAL content)
            return()
        endif()
    endif()
    file(WRITE ${file} "${content}")
endfunction()

write_if_changed(${OUT}/version.txt "${version}")
write_if_changed(${OUT}/LexmillVersion.cpp
    "// Written by write-version.cmake at build time.\n#include \"LexmillVersion.h\"\n\nnamespace lexmill {\nconst char* const kVersion = \"${version}\";\n}\n")
