# Gives columnator.exe its icon, version information and application manifest, compiled
# by the tool chain's resource compiler. The icon is committed, drawn from the Linux one's
# SVG by scripts/draw-icon.sh, so a build needs no image tools; a Linux test fails when the
# two drift apart.
enable_language(RC)

# Windows wants four numbers where the project has up to three; missing ones are 0.
set(version_numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH})
list(TRANSFORM version_numbers REPLACE "^$" 0)
list(APPEND version_numbers 0)
list(JOIN version_numbers "." COLUMNATOR_VERSION_QUAD)
list(JOIN version_numbers "," COLUMNATOR_VERSION_COMMAS)

set(resource_dir ${PROJECT_BINARY_DIR}/packaging)
set(COLUMNATOR_ICON_FILE ${PROJECT_SOURCE_DIR}/packaging/windows/columnator.ico)
set(COLUMNATOR_MANIFEST_FILE ${resource_dir}/columnator.manifest)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/columnator.manifest.in
               ${COLUMNATOR_MANIFEST_FILE} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/columnator.rc.in
               ${resource_dir}/columnator.rc @ONLY)

# Kept in a library of this directory because source properties such as the resource
# script's dependencies hold only in the directory that sets them; the objects link into
# the program as they are.
add_library(columnator_resources OBJECT ${resource_dir}/columnator.rc)
set_source_files_properties(${resource_dir}/columnator.rc PROPERTIES
    OBJECT_DEPENDS "${COLUMNATOR_ICON_FILE};${COLUMNATOR_MANIFEST_FILE}")
target_link_libraries(columnator PRIVATE columnator_resources)
