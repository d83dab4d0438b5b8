# The program zeltanorvik, its command-line front zeltanorvik-cli and the
# static libraries both share.
#
#   zeltanorvik_core   every top-level .cpp except main.cpp and the view
#                      classes: facade, working files, engine (all of its
#                      ZQDImageEngine_*.cpp files), collage model, touch, cookies,
#                      sharing controller, working-file PNG writer, the
#                      "tools" object (editing/) and the asynchronous
#                      runner with its picture provider (async/)
#   zeltanorvik_view   the QML view classes and MainView (Qt Widgets)
#
# Tests and other tools link them with zn_link_program(<target>), which also
# brings in the compiled resource bundle when it is part of the build.

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Network Qml Quick QuickControls2 Widgets)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)

set(ZN_SOURCE_ROOT ${CMAKE_CURRENT_SOURCE_DIR})

file(GLOB zn_core_sources CONFIGURE_DEPENDS ${ZN_SOURCE_ROOT}/*.cpp)
file(GLOB zn_core_headers CONFIGURE_DEPENDS ${ZN_SOURCE_ROOT}/*.h)
# The "tools" object: editing operations beyond the facade's, one file a family;
# diagnostics/: why an operation failed, in words.
file(GLOB zn_editing_sources CONFIGURE_DEPENDS ${ZN_SOURCE_ROOT}/editing/*.cpp ${ZN_SOURCE_ROOT}/editing/*.h
  ${ZN_SOURCE_ROOT}/diagnostics/*.cpp ${ZN_SOURCE_ROOT}/diagnostics/*.h
  ${ZN_SOURCE_ROOT}/async/*.cpp ${ZN_SOURCE_ROOT}/async/*.h)
set(zn_view_sources
  ${ZN_SOURCE_ROOT}/MainView.cpp
  ${ZN_SOURCE_ROOT}/touchapplicationviewer.cpp
  ${ZN_SOURCE_ROOT}/qmlapplicationviewer/qmlapplicationviewer.cpp)
list(REMOVE_ITEM zn_core_sources ${ZN_SOURCE_ROOT}/main.cpp ${zn_view_sources})
list(REMOVE_ITEM zn_core_headers
  ${ZN_SOURCE_ROOT}/MainView.h ${ZN_SOURCE_ROOT}/touchapplicationviewer.h)

add_library(zeltanorvik_core STATIC ${zn_core_sources} ${zn_core_headers} ${zn_editing_sources})
set_target_properties(zeltanorvik_core PROPERTIES AUTOMOC ON)
target_include_directories(zeltanorvik_core PUBLIC ${ZN_SOURCE_ROOT} ${ZN_SOURCE_ROOT}/editing
  ${ZN_SOURCE_ROOT}/diagnostics ${ZN_SOURCE_ROOT}/async)
target_link_libraries(zeltanorvik_core PUBLIC
  Qt6::Core Qt6::Gui Qt6::Network Qt6::Qml Qt6::Quick Qtqveffect PkgConfig::LIBDEFLATE)

add_library(zeltanorvik_view STATIC ${zn_view_sources}
  ${ZN_SOURCE_ROOT}/MainView.h ${ZN_SOURCE_ROOT}/touchapplicationviewer.h
  ${ZN_SOURCE_ROOT}/qmlapplicationviewer/qmlapplicationviewer.h)
set_target_properties(zeltanorvik_view PROPERTIES AUTOMOC ON)
target_link_libraries(zeltanorvik_view PUBLIC zeltanorvik_core Qt6::Widgets)

function(zn_link_program target)
  target_link_libraries(${target} PRIVATE zeltanorvik_core)
  if(TARGET zeltanorvik_resources)
    target_link_libraries(${target} PRIVATE zeltanorvik_resources)
  endif()
endfunction()

# The QML documents load from disk, "qml/zeltanorvik/..." relative to the
# working directory; a copy beside the program serves runs from elsewhere.
file(GLOB_RECURSE zn_qml_files CONFIGURE_DEPENDS ${ZN_SOURCE_ROOT}/qml/*)
set(zn_qml_stamp ${CMAKE_CURRENT_BINARY_DIR}/qml.stamp)
add_custom_command(OUTPUT ${zn_qml_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_CURRENT_BINARY_DIR}/qml
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${ZN_SOURCE_ROOT}/qml ${CMAKE_CURRENT_BINARY_DIR}/qml
  COMMAND ${CMAKE_COMMAND} -E touch ${zn_qml_stamp}
  DEPENDS ${zn_qml_files}
  COMMENT "Copying the QML documents beside the program")
add_custom_target(zeltanorvik_qml DEPENDS ${zn_qml_stamp})

add_executable(zeltanorvik ${ZN_SOURCE_ROOT}/main.cpp)
set_target_properties(zeltanorvik PROPERTIES AUTOMOC ON)
target_link_libraries(zeltanorvik PRIVATE zeltanorvik_view Qt6::QuickControls2)
zn_link_program(zeltanorvik)
add_dependencies(zeltanorvik zeltanorvik_qml)

file(GLOB zn_cli_sources CONFIGURE_DEPENDS ${ZN_SOURCE_ROOT}/cli/*.cpp ${ZN_SOURCE_ROOT}/cli/*.h)
add_executable(zeltanorvik-cli ${zn_cli_sources})
set_target_properties(zeltanorvik-cli PROPERTIES AUTOMOC ON)
zn_link_program(zeltanorvik-cli)
