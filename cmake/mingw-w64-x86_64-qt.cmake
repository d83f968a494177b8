# Cross-compiling the window for 64-bit Windows: the MinGW-w64 toolchain, plus the static Qt
# that tools/build-qt-mingw.sh builds into the user's cache (found through Qt's own toolchain
# file, which re-roots the searches into that Qt).

# Without the window, MinGW-w64 alone does: no Qt is looked for, neither the static one nor
# the host tools that name its folder (try_compile projects are told so too).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SONDREL_WITH_UI)
if(DEFINED SONDREL_WITH_UI AND NOT SONDREL_WITH_UI)
    include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
    return()
endif()

# The script names the folder for the installed qt6-base-dev-tools version; an environment
# variable of the same name, when set, overrides it (try_compile sees it too).
if(DEFINED ENV{SONDREL_MINGW_QT})
    set(sondrel_mingw_qt "$ENV{SONDREL_MINGW_QT}")
else()
    execute_process(
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/../tools/build-qt-mingw.sh --prefix
        OUTPUT_VARIABLE sondrel_mingw_qt
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE sondrel_mingw_qt_status)
    if(NOT sondrel_mingw_qt_status EQUAL 0)
        message(FATAL_ERROR "tools/build-qt-mingw.sh --prefix failed: ${sondrel_mingw_qt}")
    endif()
    set(ENV{SONDREL_MINGW_QT} "${sondrel_mingw_qt}")
endif()

if(NOT EXISTS "${sondrel_mingw_qt}/lib/cmake/Qt6/qt.toolchain.cmake")
    message(FATAL_ERROR "No static Qt for MinGW in ${sondrel_mingw_qt}: build it with "
        "tools/build-qt-mingw.sh (make test-windows does), or configure with "
        "-DSONDREL_WITH_UI=OFF for the core and sondrel-calc alone.")
endif()
set(QT_CHAINLOAD_TOOLCHAIN_FILE ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
include("${sondrel_mingw_qt}/lib/cmake/Qt6/qt.toolchain.cmake")
