# GoogleTest for the tests: the installed package natively; built from Debian's sources
# (/usr/src/googletest, package googletest) when cross-compiling, as no MinGW build is packaged.

if(CMAKE_CROSSCOMPILING)
    set(SONDREL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
    if(NOT EXISTS ${SONDREL_GOOGLETEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest's sources not found in ${SONDREL_GOOGLETEST_SOURCE}: "
                            "install the package googletest")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(${SONDREL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Its own warnings are not ours to fix.
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest REQUIRED)
endif()
