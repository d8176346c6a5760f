# Installation under the usual prefix layout, the desktop integration files and the
# Debian package. The version comes only from project(VERSION); everything shipped
# that names it is configured from there. GNUInstallDirs and the guides' folder
# (TOLVANE_DOC_INSTALL_DIR) come from the top CMakeLists.txt.
set(TOLVANE_APP_ID "org.tolvane.Tolvane")
# Date of the release named by project(VERSION); move it together with the version.
set(TOLVANE_RELEASE_DATE "2026-12-07")
set(TOLVANE_MAINTAINER "Tolvane developers <maintainers@tolvane.example.org>")
# Where docs/screenshots is published; AppStream wants a web address for screenshots.
set(TOLVANE_SCREENSHOT_URL "https://tolvane.example.org/screenshots"
    CACHE STRING "Web address under which docs/screenshots is published")

set(TOLVANE_FULL_DOC_DIR "${CMAKE_INSTALL_PREFIX}/${TOLVANE_DOC_INSTALL_DIR}")
set(pkg_src "${PROJECT_SOURCE_DIR}/packaging")
set(pkg_out "${PROJECT_BINARY_DIR}/packaging")

# --- the version header, for the About box -------------------------------------
math(EXPR _minor_pad "${PROJECT_VERSION_MINOR} + 100")
string(SUBSTRING "${_minor_pad}" 1 2 _minor_pad)
set(TOLVANE_VERSION_SHOWN "V${PROJECT_VERSION_MAJOR}.${_minor_pad}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tolvane_version.h.in "${PROJECT_BINARY_DIR}/generated/tolvane_version.h" @ONLY)
add_library(tolvane_version INTERFACE)
target_include_directories(tolvane_version INTERFACE "${PROJECT_BINARY_DIR}/generated")
# The Debian package and the desktop files are the Linux build's.
if(WIN32)
  return()
endif()

# --- files configured from the version -------------------------------------------
execute_process(COMMAND date -u -R -d "${TOLVANE_RELEASE_DATE}"
  OUTPUT_VARIABLE TOLVANE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
set(TOLVANE_DEBIAN_REVISION 1)
configure_file(${pkg_src}/tolvane.desktop.in ${pkg_out}/${TOLVANE_APP_ID}.desktop @ONLY)
configure_file(${pkg_src}/metainfo.xml.in ${pkg_out}/${TOLVANE_APP_ID}.metainfo.xml @ONLY)
configure_file(${pkg_src}/tolvane.1.in ${pkg_out}/tolvane.1 @ONLY)
configure_file(${pkg_src}/tolvanectl.1.in ${pkg_out}/tolvanectl.1 @ONLY)
configure_file(${pkg_src}/changelog.Debian.in ${pkg_out}/changelog.Debian @ONLY)

# Compressed without name or time stamp, so the same sources give the same bytes.
add_custom_command(OUTPUT ${pkg_out}/tolvane.1.gz ${pkg_out}/tolvanectl.1.gz ${pkg_out}/changelog.Debian.gz
  COMMAND gzip -9 -n -c ${pkg_out}/tolvane.1 > ${pkg_out}/tolvane.1.gz
  COMMAND gzip -9 -n -c ${pkg_out}/tolvanectl.1 > ${pkg_out}/tolvanectl.1.gz
  COMMAND gzip -9 -n -c ${pkg_out}/changelog.Debian > ${pkg_out}/changelog.Debian.gz
  DEPENDS ${pkg_out}/tolvane.1 ${pkg_out}/tolvanectl.1 ${pkg_out}/changelog.Debian
  COMMENT "Compressing the manual pages and the changelog")

# The bitmap icons are rendered from the one drawing.
find_program(RSVG_CONVERT rsvg-convert)
set(icon_pngs "")
if(RSVG_CONVERT)
  foreach(size 48 128 256)
    set(png ${pkg_out}/icons/${size}/${TOLVANE_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/icons/${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${pkg_src}/icon.svg
      DEPENDS ${pkg_src}/icon.svg
      COMMENT "Icon ${size} px")
    list(APPEND icon_pngs ${png})
  endforeach()
else()
  message(WARNING "rsvg-convert not found (librsvg2-bin): the PNG icons are not built or installed")
endif()
add_custom_target(desktop_files ALL DEPENDS ${pkg_out}/tolvane.1.gz ${pkg_out}/tolvanectl.1.gz ${pkg_out}/changelog.Debian.gz
  ${icon_pngs})

# --- install rules ------------------------------------------------------------------
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install also drops the compiler's notes, as Debian's own tools do.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tolvane\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
# The command-line companion, once it exists, ships beside the program.
if(TARGET tolvanectl)
  install(TARGETS tolvanectl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${pkg_out}/tolvanectl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tolvanectl\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
endif()
# tolvane-sim, make_guide and screenshots are development tools and stay out.

install(FILES ${guides} DESTINATION ${TOLVANE_DOC_INSTALL_DIR})
install(FILES ${pkg_src}/copyright ${pkg_out}/changelog.Debian.gz DESTINATION ${TOLVANE_DOC_INSTALL_DIR})
install(FILES ${pkg_out}/${TOLVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${pkg_out}/${TOLVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${pkg_out}/tolvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg_src}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
  RENAME tolvane)
install(FILES ${pkg_src}/icon.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
  RENAME ${TOLVANE_APP_ID}.svg)
foreach(png ${icon_pngs})
  get_filename_component(size_dir ${png} DIRECTORY)
  get_filename_component(size ${size_dir} NAME)
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# --- the Debian package ---------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TOLVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the KX-130 Ethernet coupler")
set(CPACK_PACKAGE_DESCRIPTION
"Tolvane configures the KX-130 Ethernet coupler, the head module of a family of
remote I/O modules, over one serial line as a Modbus master (RTU or ASCII).
It finds the module at the chosen settings or by searching the baud rates and
frame formats, reads its identity and parameters, writes its communication,
shutdown and network settings and restores its factory settings, in one
Chinese/English window.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TOLVANE_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Chinese interface and guide need a CJK font that fontconfig can find.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
