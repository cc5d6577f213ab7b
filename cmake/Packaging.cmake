# CPack: a .deb on Linux, a zip on Windows. Both take their version from project().
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsResources.cmake)
elseif(COLUMNATOR_TESTS)
    # Checked where ctest runs; it needs no image tools, only the files.
    add_test(NAME WindowsIconMatchesSvg
             COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                     -DSTAMP=${PROJECT_SOURCE_DIR}/packaging/windows/columnator.ico.sha256
                     "-DFILES=packaging/linux/org.columnator.Columnator.svg;packaging/windows/columnator.ico"
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckStamp.cmake)
endif()

set(CPACK_PACKAGE_NAME Columnator)
set(CPACK_PACKAGE_VENDOR "Columnator developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian wants the long description in short lines.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A small, fast plain-text editor with elastic tab stops: a tab ends a cell,\n"
    "and the cells in the same tab column of consecutive lines share one width,\n"
    "so tab-separated columns line up by themselves. Files are saved in the\n"
    "encoding they were read in.")
set(CPACK_PACKAGE_CONTACT "Columnator developers <columnator@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME Columnator-${PROJECT_VERSION}-win64)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_NAME columnator)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION editors)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Shlibdeps finds the libraries; fonts are looked up only at run time, so a bare system
    # needs one named here.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
endif()

include(CPack)
