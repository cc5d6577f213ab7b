# The files Debian's policy asks of a .deb beside the program: the machine-readable
# copyright, the packaging's changelog, compressed, and lintian's overrides. A plain
# `cmake --install` has no use for them, so CPack adds them while it stages the .deb
# (CPACK_INSTALL_SCRIPTS runs InstallDebianFiles.cmake there).
set(debian_assets ${PROJECT_SOURCE_DIR}/packaging/debian)
set(debian_staged ${PROJECT_BINARY_DIR}/packaging/debian)

# The Debian revision, the packaging's own version of the upstream version, comes from the
# changelog's latest entry, "columnator (UPSTREAM-REVISION) ...", so the two cannot differ.
file(STRINGS ${debian_assets}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^columnator \\([^)]+-([0-9]+)\\) ")
    message(FATAL_ERROR "packaging/debian/changelog does not start with an entry of columnator")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_1})

# The licence's terms as a paragraph of the copyright format: one space before each line
# and " ." for a blank one. The copyright line stays out: the format gives it a field.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission" terms_start)
string(SUBSTRING "${licence}" ${terms_start} -1 licence)
string(STRIP "${licence}" licence)
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n" "\n " COLUMNATOR_LICENSE_TERMS " ${licence}")
configure_file(${debian_assets}/copyright.in ${debian_staged}/copyright @ONLY)

add_custom_command(OUTPUT ${debian_staged}/changelog.Debian.gz
                   COMMAND gzip -9 -n -c ${debian_assets}/changelog > changelog.Debian.gz
                   DEPENDS ${debian_assets}/changelog
                   WORKING_DIRECTORY ${debian_staged})
add_custom_target(columnator_debian_changelog ALL DEPENDS ${debian_staged}/changelog.Debian.gz)

set(CPACK_COLUMNATOR_DEBIAN_DOCS ${debian_staged}/copyright ${debian_staged}/changelog.Debian.gz)
set(CPACK_COLUMNATOR_LINTIAN_OVERRIDES ${debian_assets}/lintian-overrides)
set(CPACK_INSTALL_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/InstallDebianFiles.cmake)
