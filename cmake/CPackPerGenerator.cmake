# Read by CPack once per generator (CPACK_PROJECT_CONFIG_FILE): the setup program is named
# apart from the zip, whose folder keeps the plain name.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
