# Gives columnator.exe its icon, version information and application manifest, compiled
# by the tool chain's resource compiler. The icon is drawn from the same SVG as the Linux
# one, so the two cannot drift apart.
enable_language(RC)

find_program(IMAGEMAGICK_CONVERT convert REQUIRED)

# Windows wants four numbers where the project has up to three; missing ones are 0.
set(version_numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH})
list(TRANSFORM version_numbers REPLACE "^$" 0)
list(APPEND version_numbers 0)
list(JOIN version_numbers "." COLUMNATOR_VERSION_QUAD)
list(JOIN version_numbers "," COLUMNATOR_VERSION_COMMAS)

set(resource_dir ${PROJECT_BINARY_DIR}/packaging)
set(icon_source ${PROJECT_SOURCE_DIR}/packaging/linux/org.columnator.Columnator.svg)
set(COLUMNATOR_ICON_FILE ${resource_dir}/columnator.ico)
set(COLUMNATOR_MANIFEST_FILE ${resource_dir}/columnator.manifest)

# Eight bits a channel: Windows shows no icon from a deeper PNG inside the .ico.
add_custom_command(
    OUTPUT ${COLUMNATOR_ICON_FILE}
    COMMAND ${IMAGEMAGICK_CONVERT} -background none -density 384 ${icon_source}
            -depth 8 -define icon:auto-resize=256,64,48,32,24,16 ${COLUMNATOR_ICON_FILE}
    DEPENDS ${icon_source}
    COMMENT "Drawing the program icon"
    VERBATIM)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/columnator.manifest.in
               ${COLUMNATOR_MANIFEST_FILE} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/columnator.rc.in
               ${resource_dir}/columnator.rc @ONLY)

# Kept in a library of this directory so that the icon rule and the dependencies of the
# resource script live beside each other; the objects link into the program as they are.
add_library(columnator_resources OBJECT ${resource_dir}/columnator.rc ${COLUMNATOR_ICON_FILE})
set_source_files_properties(${resource_dir}/columnator.rc PROPERTIES
    OBJECT_DEPENDS "${COLUMNATOR_ICON_FILE};${COLUMNATOR_MANIFEST_FILE}")
target_link_libraries(columnator PRIVATE columnator_resources)
