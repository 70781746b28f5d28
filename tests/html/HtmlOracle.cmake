# The gumbo-based reader the modern mode's own reader is compared with, for
# the differential test here and the differential fuzz target in fuzz/.
if(NOT TARGET lintrel_html_oracle)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(GUMBO REQUIRED IMPORTED_TARGET gumbo)
    add_library(lintrel_html_oracle STATIC
        ${CMAKE_CURRENT_LIST_DIR}/GumboLinkReader.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MarkupSlicer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ReaderDifference.cpp)
    # "html/GumboLinkReader.h" from tests/, beside "html/..." from src/.
    target_include_directories(lintrel_html_oracle PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
    target_link_libraries(lintrel_html_oracle PUBLIC lintrel_html PRIVATE PkgConfig::GUMBO lintrel_options)
endif()
