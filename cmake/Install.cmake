# What `cmake --install` puts where. On Linux the program goes to bin/ with the desktop
# entry, icon and AppStream metainfo in the XDG locations, so desktops list it under
# "Open with"; on Windows everything sits in one folder that the user can unpack anywhere.
include(GNUInstallDirs)

set(COLUMNATOR_APP_ID org.columnator.Columnator)
# Bump together with the project version: software centres show it beside the version.
set(COLUMNATOR_RELEASE_DATE 2026-12-08)

set(linux_assets ${PROJECT_SOURCE_DIR}/packaging/linux)
set(windows_assets ${PROJECT_SOURCE_DIR}/packaging/windows)
set(configured_assets ${PROJECT_BINARY_DIR}/packaging)

if(WIN32)
    install(TARGETS columnator RUNTIME DESTINATION .)
    configure_file(${windows_assets}/README.txt.in ${configured_assets}/README.txt @ONLY)
    install(FILES ${configured_assets}/README.txt DESTINATION .)
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
endif()
