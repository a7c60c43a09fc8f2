# The Windows program, cross-built with cmake/mingw-w64.cmake: the control layer over the Win32
# common controls, the executable with its icon, manifest and version information, and the
# tests that run under Wine.

enable_language(RC)
# The file layer opens a file relative to a folder it holds through ntdll, and reads the peak
# memory through psapi.
target_link_libraries(bk_platform PUBLIC ntdll psapi)

# The control layer over the common controls: the only target that sees USER32 and its kin.
add_library(bk_win32_gui STATIC ${BK_CONTROL_SOURCES})
target_link_libraries(bk_win32_gui PUBLIC bk_platform comctl32 ole32 uuid shell32 gdi32)

# Resources: the icon, the manifest (common controls 6, DPI awareness, long paths) and the
# version information.
set(BK_VERSION_DOTS "${PROJECT_VERSION}.0.0")
string(REPLACE "." "," BK_VERSION_COMMAS "${BK_VERSION_DOTS}")
set(BK_ICON ${PROJECT_SOURCE_DIR}/data/windows/brannoway-kestrill.ico)
set(BK_MANIFEST ${PROJECT_BINARY_DIR}/brannoway-kestrill.manifest)
configure_file(data/windows/brannoway-kestrill.manifest.in ${BK_MANIFEST} @ONLY)
set(BK_RESOURCES ${PROJECT_BINARY_DIR}/brannoway-kestrill.rc)
configure_file(data/windows/brannoway-kestrill.rc.in ${BK_RESOURCES} @ONLY)
set_source_files_properties(${BK_RESOURCES} PROPERTIES OBJECT_DEPENDS "${BK_ICON};${BK_MANIFEST}")

add_executable(brannoway-kestrill WIN32 src/main.cpp ${BK_RESOURCES})
target_link_libraries(brannoway-kestrill PRIVATE bk_ui bk_win32_gui)

# The scan and search without a window, for measuring the Win32 file layer under Wine.
add_executable(brannoway-kestrill-bench bench/bench_main.cpp)
target_link_libraries(brannoway-kestrill-bench PRIVATE bk_duplicates)

# The least any Windows program pays per file for the same listing and reading, beside it.
add_executable(brannoway-kestrill-call-floor bench/windows_call_floor.cpp)
target_link_options(brannoway-kestrill-call-floor PRIVATE -municode)

if(BK_BUILD_TESTS)
    enable_testing()
    add_subdirectory(tests/windows)
endif()
