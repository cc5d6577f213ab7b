# What `cmake --install` puts where. On Linux the program goes to bin/ with its manual page,
# and the desktop entry, icon and AppStream metainfo in the XDG locations, so desktops list it
# under "Open with"; on Windows everything sits in one folder that the user can unpack
# anywhere or that the setup program fills.
include(GNUInstallDirs)

set(COLUMNATOR_APP_ID org.columnator.Columnator)
# Bump together with the project version: software centres show it beside the version, and
# the manual page's footer carries it.
set(COLUMNATOR_RELEASE_DATE 2026-12-08)
# Who answers for the packages: the project, at an address of its own domain (the one the
# application id names), never a person.
set(COLUMNATOR_MAINTAINER_NAME "Columnator developers")
set(COLUMNATOR_MAINTAINER_ADDRESS developers@columnator.org)
# LICENSE holds the one copyright line; the packages repeat it from there.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright_line REGEX "^Copyright" LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright (\\([cC]\\) )?" "" COLUMNATOR_COPYRIGHT "${copyright_line}")

set(linux_assets ${PROJECT_SOURCE_DIR}/packaging/linux)
set(windows_assets ${PROJECT_SOURCE_DIR}/packaging/windows)
set(configured_assets ${PROJECT_BINARY_DIR}/packaging)

# A text file for Windows readers, configured with Windows line ends.
function(configure_windows_text source name)
    configure_file(${source} ${configured_assets}/${name} @ONLY NEWLINE_STYLE CRLF)
endfunction()

if(WIN32)
    install(TARGETS columnator RUNTIME DESTINATION .)
    configure_windows_text(${windows_assets}/README.txt.in README.txt)
    configure_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
    # What the program links statically goes beside it, with the licences that ask for that.
    configure_windows_text(${windows_assets}/THIRD-PARTY-NOTICES.txt THIRD-PARTY-NOTICES.txt)
    install(FILES ${configured_assets}/README.txt ${configured_assets}/LICENSE.txt
                  ${configured_assets}/THIRD-PARTY-NOTICES.txt
            DESTINATION .)
else()
    install(TARGETS columnator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${linux_assets}/${COLUMNATOR_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${linux_assets}/${COLUMNATOR_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    configure_file(${linux_assets}/${COLUMNATOR_APP_ID}.metainfo.xml.in
                   ${configured_assets}/${COLUMNATOR_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${configured_assets}/${COLUMNATOR_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # Compressed as Debian wants it: at most, and without a time stamp, so that two builds
    # of one source give the same bytes.
    configure_file(${linux_assets}/columnator.1.in ${configured_assets}/columnator.1 @ONLY)
    add_custom_command(OUTPUT ${configured_assets}/columnator.1.gz
                       COMMAND gzip -9 -n -f -k ${configured_assets}/columnator.1
                       DEPENDS ${configured_assets}/columnator.1 VERBATIM)
    add_custom_target(columnator_manual ALL DEPENDS ${configured_assets}/columnator.1.gz)
    install(FILES ${configured_assets}/columnator.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
