# The program zeltanorvik, its command-line front zeltanorvik-cli, and the
# static libraries of its subsystems, which the program, the command-line
# front, the tests and the benchmarks all link:
#
#   zn_diagnostics   log categories, why an operation failed, device identity
#   zn_pngwriter     the working-file PNG writer (layout, rows, run coder, file)
#   zn_sharing       the HTTP controller and its helpers (accounts, the upload
#                    picture and body, the request signer)
#   zn_engine        the QML facade, working files, the image engine, the
#                    collage model, the "tools" object, the photo decoder and
#                    the runner of operations off the GUI thread (async/)
#   zn_shellobjects  the multi-touch tracker and the cookie helper
#   zeltanorvik_core all of the above, for programs that want the whole core
#   zeltanorvik_view the QML view classes and MainView (Qt Widgets)
#
# Tests and other tools link the core with zn_link_program(<target>), which
# also brings in the compiled resource bundle when it is part of the build.

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Network Qml Quick QuickControls2 Widgets DBus)
qt_standard_project_setup()
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
# The saved pictures' metadata (EXIF, XMP, IPTC, colour profile).
pkg_check_modules(EXIV2 REQUIRED IMPORTED_TARGET exiv2)
# The photo decoder's HEIF/HEIC/AVIF and camera raw readers (LibRaw's
# thread-safe build: operations decode on several threads).
pkg_check_modules(LIBHEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(LIBRAW REQUIRED IMPORTED_TARGET libraw_r)
# Remembered sharing accounts go to the system keyring (its package file
# cannot be read twice in one build).
if(NOT TARGET Qt6Keychain::Qt6Keychain)
  find_package(Qt6Keychain REQUIRED)
endif()

set(ZN_SOURCE_ROOT ${CMAKE_CURRENT_SOURCE_DIR})
# zn_sources(<var> <folder> <names>...): name.h and name.cpp of each name in
# the folder ("." for the top level); a name ending in ".h" is a header alone.
function(zn_sources var folder)
  set(files)
  foreach(name ${ARGN})
    if(name MATCHES "\\.h$")
      list(APPEND files ${ZN_SOURCE_ROOT}/${folder}/${name})
    else()
      list(APPEND files ${ZN_SOURCE_ROOT}/${folder}/${name}.h ${ZN_SOURCE_ROOT}/${folder}/${name}.cpp)
    endif()
  endforeach()
  set(${var} ${${var}} ${files} PARENT_SCOPE)
endfunction()

# --- diagnostics --------------------------------------------------------------
zn_sources(zn_diagnostics_sources diagnostics logging operationerror deviceinfo)
add_library(zn_diagnostics STATIC ${zn_diagnostics_sources})
target_include_directories(zn_diagnostics PUBLIC ${ZN_SOURCE_ROOT}/diagnostics)
target_link_libraries(zn_diagnostics PUBLIC Qt6::Core)

# --- the working-file PNG writer ------------------------------------------------
zn_sources(zn_pngwriter_sources pngwriter workingpngwriter pngrows rundeflate)
add_library(zn_pngwriter STATIC ${zn_pngwriter_sources})
# The root for imaging/: the writer's bands run on the band workers.
target_include_directories(zn_pngwriter PUBLIC ${ZN_SOURCE_ROOT}/pngwriter ${ZN_SOURCE_ROOT})
target_link_libraries(zn_pngwriter PUBLIC Qt6::Gui PkgConfig::LIBDEFLATE zn_diagnostics)

# --- sharing --------------------------------------------------------------------
zn_sources(zn_sharing_sources . ZQCHttpController)
zn_sources(zn_sharing_sources sharing accountstore onceuploaddevice sharingstate uploadpicture OAuthSigner)
add_library(zn_sharing STATIC ${zn_sharing_sources})
target_include_directories(zn_sharing PUBLIC ${ZN_SOURCE_ROOT} ${ZN_SOURCE_ROOT}/sharing)
target_link_libraries(zn_sharing PUBLIC Qt6::Core Qt6::Network Qt6::DBus Qt6Keychain::Qt6Keychain zn_diagnostics)

# --- the facade, working files and the image engine -------------------------------
zn_sources(zn_engine_sources . ZQDCommunication ImageDispose ZQDImageEngine ZQDImageRect ZQDPaintImage)
list(APPEND zn_engine_sources
  ${ZN_SOURCE_ROOT}/ZQDImageEngine_adjust.cpp
  ${ZN_SOURCE_ROOT}/ZQDImageEngine_effects.cpp
  ${ZN_SOURCE_ROOT}/ZQDImageEngine_frames.cpp
  ${ZN_SOURCE_ROOT}/ZQDImageEngine_free.cpp
  ${ZN_SOURCE_ROOT}/ZQDImageEngine_template.cpp
  ${ZN_SOURCE_ROOT}/ZQDImageEngine_text.cpp)
zn_sources(zn_engine_sources imageio photoreader picturememory)
zn_sources(zn_engine_sources imageio decodeprogress)
zn_sources(zn_engine_sources imageio pictureformat heifreader rawreader jpegcheck refusal photoprovider)
zn_sources(zn_engine_sources imaging maskstretch smoothscale collagesupport.h bandworkers.h)
zn_sources(zn_engine_sources workingfiles documentroot workingfilename workingarea workingfolder)
zn_sources(zn_engine_sources workingfiles keptsteps)
zn_sources(zn_engine_sources workingfiles quietremoval)
zn_sources(zn_engine_sources editing EditorTools toolpicture blend autoenhance straighten tone exportmetadata)
list(APPEND zn_engine_sources ${ZN_SOURCE_ROOT}/editing/export.cpp)
# Collages at print size, on the "tools" object.
list(APPEND zn_engine_sources ${ZN_SOURCE_ROOT}/editing/collageprint.cpp)
zn_sources(zn_engine_sources editing metadatabudget)
zn_sources(zn_engine_sources editing heal selective keystone curvestool colourmixer)
zn_sources(zn_engine_sources async operationrunner operationtable livesteps pictureprovider displaycopies)
# Steps: recorded, written, read, checked and replayed (on the "tools" object).
zn_sources(zn_engine_sources async operationcall)
zn_sources(zn_engine_sources steps step stepsfile proportions replay)
list(APPEND zn_engine_sources ${ZN_SOURCE_ROOT}/steps/stepstools.cpp)
add_library(zn_engine STATIC ${zn_engine_sources})
target_include_directories(zn_engine PUBLIC ${ZN_SOURCE_ROOT} ${ZN_SOURCE_ROOT}/imageio ${ZN_SOURCE_ROOT}/imaging
  ${ZN_SOURCE_ROOT}/workingfiles ${ZN_SOURCE_ROOT}/editing ${ZN_SOURCE_ROOT}/async ${ZN_SOURCE_ROOT}/steps)
# exiv2 is public: the tests read the saved metadata back with it.
target_link_libraries(zn_engine PUBLIC Qt6::Gui Qt6::Qml Qt6::Quick Qtqveffect zn_pngwriter zn_diagnostics
  PkgConfig::EXIV2)
target_link_libraries(zn_engine PRIVATE PkgConfig::LIBHEIF PkgConfig::LIBRAW)

# --- the shell's published objects ------------------------------------------------
zn_sources(zn_shellobjects_sources . multitouch networkaccessmanagerinteractor)
add_library(zn_shellobjects STATIC ${zn_shellobjects_sources})
target_include_directories(zn_shellobjects PUBLIC ${ZN_SOURCE_ROOT})
target_link_libraries(zn_shellobjects PUBLIC Qt6::Gui Qt6::Network Qt6::Qml Qt6::Quick zn_diagnostics)

add_library(zeltanorvik_core INTERFACE)
target_link_libraries(zeltanorvik_core INTERFACE zn_engine zn_sharing zn_shellobjects zn_pngwriter zn_diagnostics)

zn_sources(zn_view_sources . MainView touchapplicationviewer)
zn_sources(zn_view_sources qmlapplicationviewer qmlapplicationviewer)
add_library(zeltanorvik_view STATIC ${zn_view_sources})
target_link_libraries(zeltanorvik_view PUBLIC zeltanorvik_core Qt6::Widgets)

function(zn_link_program target)
  target_link_libraries(${target} PRIVATE zeltanorvik_core)
  if(TARGET zeltanorvik_resources)
    target_link_libraries(${target} PRIVATE zeltanorvik_resources zeltanorvik_shaders)
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

qt_add_executable(zeltanorvik ${ZN_SOURCE_ROOT}/main.cpp)
target_link_libraries(zeltanorvik PRIVATE zeltanorvik_view Qt6::QuickControls2)
zn_link_program(zeltanorvik)
add_dependencies(zeltanorvik zeltanorvik_qml)

zn_sources(zn_cli_sources cli clicall httpwait applysteps)
qt_add_executable(zeltanorvik-cli ${ZN_SOURCE_ROOT}/cli/main.cpp ${zn_cli_sources})
zn_link_program(zeltanorvik-cli)
