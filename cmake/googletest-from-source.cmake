# The target system has no packaged GoogleTest: build it from Debian's sources
# (package googletest) with the cross compiler; it defines the targets find_package
# would, GTest::gtest and GTest::gtest_main.
if(NOT TARGET GTest::gtest_main)
    set(googletest_source /usr/src/googletest)
    if(NOT EXISTS ${googletest_source}/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest sources not found in ${googletest_source}")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(${googletest_source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Third-party code: our warning flags and warnings-as-errors are not its to answer.
    foreach(target gtest gtest_main)
        set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
        target_compile_options(${target} PRIVATE -w)
    endforeach()
endif()
