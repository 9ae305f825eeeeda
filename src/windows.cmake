# The Windows program: its window code as a library (the UI tests link it too)
# and karnio.exe with its resources.
add_library(karnio_ui STATIC
    src/ui/common/common_controls.cpp
    src/ui/common/contrast.cpp
    src/ui/common/cursor.cpp
    src/ui/common/desktop_user.cpp
    src/ui/common/layout.cpp
    src/ui/common/shell.cpp
    src/ui/common/text.cpp
    src/ui/common/window_menu.cpp
    src/ui/main/edit_commands.cpp
    src/ui/main/frmEtsi.cpp
    src/ui/main/frmKarnio.cpp
    src/ui/main/info_tip.cpp
    src/ui/main/keys_and_tips.cpp
    src/ui/main/list_place.cpp
    src/ui/main/list_view.cpp
    src/ui/main/launcher.cpp
    src/ui/main/listview_sink.cpp
    src/ui/main/row_menus.cpp
    src/ui/main/windows_host.cpp
    src/ui/about/frmTietoja.cpp)
# Only known system DLLs are imported: any other DLL, comctl32 among them, is
# loaded at run time from the system folder (system_library.h, common_controls.h).
target_link_libraries(karnio_ui PUBLIC karnio_core shell32 ole32 oleaut32 uuid gdi32 user32 advapi32)

set(KARNIO_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/resources/karnio.rc)
set_source_files_properties(${KARNIO_RESOURCES} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/src/ui/resources/karnio.ico;${CMAKE_CURRENT_SOURCE_DIR}/src/ui/resources/sormi.cur;${CMAKE_CURRENT_SOURCE_DIR}/src/ui/resources/karnio.exe.manifest;${CMAKE_CURRENT_SOURCE_DIR}/src/ui/resources/resource.h")

add_executable(karnio WIN32 src/app/main.cpp ${KARNIO_RESOURCES})
target_link_options(karnio PRIVATE -municode)
target_link_libraries(karnio PRIVATE karnio_ui)

# The demo uninstaller that tools/run and the tests start.
add_executable(karnio-demo WIN32 tools/demo/karnio_demo.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/utf8.rc)
target_link_options(karnio-demo PRIVATE -municode)
target_link_libraries(karnio-demo PRIVATE shell32)

# tools/benchmark: a program that prints figures.
add_executable(karnio-benchmark tools/benchmark/benchmark.cpp ${KARNIO_RESOURCES})
target_link_libraries(karnio-benchmark PRIVATE karnio_ui)
