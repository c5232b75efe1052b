# cmake -DSCDOC=<scdoc> -DIN=<page.scd> -DOUT=<page.gz> -P build-man-page.cmake
# Turns a manual page's scdoc source into roff, compressed as Debian wants it
# (gzip -9n: no name or time in the header, so the same page gives the same bytes).
get_filename_component(roff ${OUT} NAME_WLE)
get_filename_component(folder ${OUT} DIRECTORY)
execute_process(COMMAND ${SCDOC} INPUT_FILE ${IN} OUTPUT_FILE ${folder}/${roff}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "scdoc could not read ${IN}")
endif()
execute_process(COMMAND gzip -9nf ${folder}/${roff} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip could not compress ${folder}/${roff}")
endif()
