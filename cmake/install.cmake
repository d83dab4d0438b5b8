# Installing the editor (cmake --install, GNUInstallDirs) and packaging it
# (cpack -G DEB). Components: "runtime" is everything a user needs; "dev"
# holds the library's development symlink alone. The Debian package carries
# "runtime" only.
#
#   bin/zeltanorvik, bin/zeltanorvik-cli
#   lib/libQtqveffect.so.1 (soname; libQtqveffect.so in "dev")
#   share/zeltanorvik/qml/zeltanorvik/   the QML documents, found from the
#                                        program's own folder (startup/datapaths)
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml,
#   share/icons/hicolor/{scalable,48x48,128x128,256x256}/apps/<id>.{svg,png}
#
# The data bundle is compiled into both programs. The programs find the
# library through a run path relative to their own folder, so an install
# under any prefix or DESTDIR runs as it lies.
include(GNUInstallDirs)

set(ZN_APP_ID org.zeltanorvik.Zeltanorvik)
set(ZN_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/desktop)

# Start-up: where the documents are (startup/datapaths), the files given on the
# command line (startup/startfiles), the icon the window shows (desktop/appicon).
target_sources(zeltanorvik_view PRIVATE
  ${PROJECT_SOURCE_DIR}/startup/datapaths.h ${PROJECT_SOURCE_DIR}/startup/datapaths.cpp
  ${PROJECT_SOURCE_DIR}/startup/startfiles.h ${PROJECT_SOURCE_DIR}/startup/startfiles.cpp
  ${ZN_DESKTOP_DIR}/appicon.h ${ZN_DESKTOP_DIR}/appicon.cpp)
target_include_directories(zeltanorvik_view PUBLIC ${PROJECT_SOURCE_DIR}/startup ${ZN_DESKTOP_DIR})
# The command-line front says why a file it was given cannot be read.
target_sources(zeltanorvik-cli PRIVATE ${PROJECT_SOURCE_DIR}/startup/startfiles.cpp)
target_include_directories(zeltanorvik-cli PRIVATE ${PROJECT_SOURCE_DIR}/startup)
# --version of both programs.
target_compile_definitions(zeltanorvik PRIVATE ZN_VERSION="${PROJECT_VERSION}")
target_compile_definitions(zeltanorvik-cli PRIVATE ZN_VERSION="${PROJECT_VERSION}")

file(RELATIVE_PATH zn_lib_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH zn_data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/zeltanorvik)
set_target_properties(zeltanorvik zeltanorvik-cli PROPERTIES INSTALL_RPATH "$ORIGIN/${zn_lib_from_bin}")
target_compile_definitions(zeltanorvik_view PRIVATE ZN_DATA_FROM_BIN="${zn_data_from_bin}")

install(TARGETS zeltanorvik zeltanorvik-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS Qtqveffect
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/qml/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zeltanorvik/qml
  COMPONENT runtime)

# The theme icons, drawn by our own generator.
add_executable(zn_icongen ${ZN_DESKTOP_DIR}/icongen.cpp ${ZN_DESKTOP_DIR}/appicon.h ${ZN_DESKTOP_DIR}/appicon.cpp)
target_link_libraries(zn_icongen PRIVATE Qt6::Gui)
set(zn_icons_dir ${CMAKE_BINARY_DIR}/icons)
set(zn_icon_files ${zn_icons_dir}/hicolor/scalable/apps/${ZN_APP_ID}.svg)
foreach(side 48 128 256)
  list(APPEND zn_icon_files ${zn_icons_dir}/hicolor/${side}x${side}/apps/${ZN_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${zn_icon_files}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:zn_icongen> ${zn_icons_dir}
  DEPENDS zn_icongen
  COMMENT "Drawing the theme icons")
add_custom_target(zn_icons ALL DEPENDS ${zn_icon_files})
install(DIRECTORY ${zn_icons_dir}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT runtime)

# The desktop entry as it stands; the metainfo names the same media types
# and the version and date of this release.
set(zn_desktop_file ${ZN_DESKTOP_DIR}/${ZN_APP_ID}.desktop)
file(STRINGS ${zn_desktop_file} zn_mime_line REGEX "^MimeType=")
string(REGEX REPLACE "^MimeType=" "" zn_mime_types "${zn_mime_line}")
string(REGEX REPLACE ";$" "" zn_mime_types "${zn_mime_types}")
set(ZN_METAINFO_MEDIATYPES "")
foreach(type ${zn_mime_types})
  string(APPEND ZN_METAINFO_MEDIATYPES "    <mediatype>${type}</mediatype>\n")
endforeach()
string(REGEX REPLACE "\n$" "" ZN_METAINFO_MEDIATYPES "${ZN_METAINFO_MEDIATYPES}")
set(ZN_RELEASE_DATE 2026-12-08)
set(zn_metainfo_file ${CMAKE_BINARY_DIR}/${ZN_APP_ID}.metainfo.xml)
configure_file(${ZN_DESKTOP_DIR}/${ZN_APP_ID}.metainfo.xml.in ${zn_metainfo_file} @ONLY)
install(FILES ${zn_desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
install(FILES ${zn_metainfo_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT runtime)

# --- the Debian package -------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zeltanorvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Zeltanorvik developers <zeltanorvik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "touch-friendly photo editor with looks, frames and collages")
set(CPACK_PACKAGE_DESCRIPTION
  "Edits photos with a finger or a mouse: one-touch looks, frames, adjustments, focus blur, crop and text\nin speech bubbles; composes collages; includes the command-line front zeltanorvik-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The debugging information stays in the build.
set(CPACK_STRIP_FILES ON)
# What the programs load at run time and shared-library analysis cannot see:
# the QML modules the documents import, the platform plugins, the image-format
# plugins (TIFF, WebP) and the fonts the interface and the bubbles draw with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qml6-module-qtqml, qml6-module-qtqml-models, qml6-module-qtqml-workerscript, qml6-module-qtquick, qml6-module-qtquick-window, qml6-module-qtquick-templates, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-dialogs, qml6-module-qtquick-shapes, qml6-module-qt-labs-folderlistmodel, qml6-module-qt-labs-settings, qt6-qpa-plugins, qt6-image-formats-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
# Only what a user needs: no development symlink, no tests.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};runtime;/")
include(CPack)
