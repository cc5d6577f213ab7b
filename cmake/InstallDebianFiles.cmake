# Run by CPack while it stages a package (CPACK_INSTALL_SCRIPTS): adds the files only the
# .deb carries (see DebianFiles.cmake) under the package's prefix, which DESTDIR moves into
# the staging folder.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(prefix ${CPACK_PACKAGING_INSTALL_PREFIX})
    file(INSTALL ${CPACK_COLUMNATOR_DEBIAN_DOCS} DESTINATION ${prefix}/share/doc/columnator)
    file(INSTALL ${CPACK_COLUMNATOR_LINTIAN_OVERRIDES}
         DESTINATION ${prefix}/share/lintian/overrides RENAME columnator)
endif()
