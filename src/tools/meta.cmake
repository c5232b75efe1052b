# The meta tag extractor: the viewer frmMeta and the command that fills it.
add_library(lexmill_meta STATIC
    frmMeta.cpp
    frmMetaCommand.cpp
)
target_include_directories(lexmill_meta PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(lexmill_meta PUBLIC lexmill_metatags lexmill_batch lexmill_widgets)
