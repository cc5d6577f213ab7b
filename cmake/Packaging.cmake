# CPack: a .deb on Linux; a zip and a setup program on Windows. All take their version from
# project().
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsResources.cmake)
    if(COLUMNATOR_TESTS)
        # scripts/test-packages.sh starts the setup program through it, as a user would.
        add_executable(run-unelevated ${PROJECT_SOURCE_DIR}/packaging/windows/run-unelevated.cpp)
        target_link_libraries(run-unelevated PRIVATE win32front)
        set_target_properties(run-unelevated PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    endif()
elseif(COLUMNATOR_TESTS)
    # Checked where ctest runs; it needs no image tools, only the files.
    add_test(NAME WindowsIconMatchesSvg
             COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                     -DSTAMP=${PROJECT_SOURCE_DIR}/packaging/windows/columnator.ico.sha256
                     "-DFILES=packaging/linux/org.columnator.Columnator.svg;packaging/windows/columnator.ico"
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckStamp.cmake)
endif()

set(CPACK_PACKAGE_NAME Columnator)
set(CPACK_PACKAGE_VENDOR "${COLUMNATOR_MAINTAINER_NAME}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian wants the long description in short lines.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A small, fast plain-text editor with elastic tab stops: a tab ends a cell,\n"
    "and the cells in the same tab column of consecutive lines share one width,\n"
    "so tab-separated columns line up by themselves. Files are saved in the\n"
    "encoding they were read in.")
set(CPACK_PACKAGE_CONTACT "${COLUMNATOR_MAINTAINER_NAME} <${COLUMNATOR_MAINTAINER_ADDRESS}>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
    set(CPACK_GENERATOR ZIP NSIS)
    set(CPACK_PACKAGE_FILE_NAME Columnator-${PROJECT_VERSION}-win64)
    # One name for every version: an upgrade replaces the install and its entry in the list
    # of installed apps instead of adding a second one.
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Columnator)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Columnator)
    # The setup program comes from our own template (packaging/windows/NSIS.template.in),
    # which installs for the user alone unless it runs elevated.
    set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
    set(CPACK_NSIS_PACKAGE_NAME Columnator)
    set(CPACK_NSIS_CONTACT ${COLUMNATOR_MAINTAINER_ADDRESS})
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/columnator.ico)
    set(CPACK_NSIS_MUI_UNIICON ${CPACK_NSIS_MUI_ICON})
    set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
    set(CPACK_RESOURCE_FILE_LICENSE ${configured_assets}/LICENSE.txt)
    set(CPACK_NSIS_COLUMNATOR_COPYRIGHT "${COLUMNATOR_COPYRIGHT}")
    # Per generator: names the setup program apart from the zip.
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackPerGenerator.cmake)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_NAME columnator)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION editors)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Shlibdeps finds the libraries; fonts are looked up only at run time, so a bare system
    # needs one named here.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
    include(${CMAKE_CURRENT_LIST_DIR}/DebianFiles.cmake)
endif()

include(CPack)
