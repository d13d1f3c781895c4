# Where an installed Skirlo keeps its files. The programs find their resources
# at <exe>/../share/skirlo and the user guide at <exe>/../share/doc/skirlo, so
# the programs and the data folders must keep that shape under the prefix.
include(GNUInstallDirs)

if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATAROOTDIR STREQUAL "share")
  message(FATAL_ERROR "Skirlo finds its data at <prefix>/share beside <prefix>/bin; "
    "CMAKE_INSTALL_BINDIR must be bin and CMAKE_INSTALL_DATAROOTDIR share")
endif()

set(SKIRLO_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/skirlo)
set(SKIRLO_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/skirlo)

install(DIRECTORY ${SKIRLO_RESOURCE_DIR}/fonts ${SKIRLO_RESOURCE_DIR}/examples ${SKIRLO_RESOURCE_DIR}/sounds
  DESTINATION ${SKIRLO_DATA_INSTALL_DIR})
install(FILES ${SKIRLO_RESOURCE_DIR}/QTN32.INI DESTINATION ${SKIRLO_DATA_INSTALL_DIR})
install(DIRECTORY ${SKIRLO_RESOURCE_DIR}/icons/actions DESTINATION ${SKIRLO_DATA_INSTALL_DIR}/icons)
install(FILES ${SKIRLO_RESOURCE_DIR}/icons/skirlo.svg DESTINATION ${SKIRLO_DATA_INSTALL_DIR}/icons)

install(FILES ${CMAKE_SOURCE_DIR}/docs/index.html ${CMAKE_SOURCE_DIR}/docs/notation.html
  ${CMAKE_SOURCE_DIR}/docs/style.css DESTINATION ${SKIRLO_DOC_INSTALL_DIR})

# Desktop integration: the menu entry, the tune file type, the icon and the software centre entry.
install(FILES ${SKIRLO_RESOURCE_DIR}/desktop/skirlo.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${SKIRLO_RESOURCE_DIR}/desktop/skirlo-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages RENAME skirlo.xml)
install(DIRECTORY ${SKIRLO_RESOURCE_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons)
# What software centres list.
install(FILES ${SKIRLO_RESOURCE_DIR}/desktop/org.skirlo.skirlo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${SKIRLO_RESOURCE_DIR}/icons/skirlo.svg
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

# The desktop reads the file type and icons only from the caches of their
# folders. A packager (DESTDIR set) leaves that to the package's triggers.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    set(share "${CMAKE_INSTALL_PREFIX}/share")
    find_program(SKIRLO_UPDATE_MIME update-mime-database)
    find_program(SKIRLO_UPDATE_DESKTOP update-desktop-database)
    find_program(SKIRLO_UPDATE_ICONS gtk-update-icon-cache)
    if(SKIRLO_UPDATE_MIME)
      execute_process(COMMAND ${SKIRLO_UPDATE_MIME} "${share}/mime")
    endif()
    if(SKIRLO_UPDATE_DESKTOP)
      execute_process(COMMAND ${SKIRLO_UPDATE_DESKTOP} -q "${share}/applications")
    endif()
    if(SKIRLO_UPDATE_ICONS)
      execute_process(COMMAND ${SKIRLO_UPDATE_ICONS} -q -t -f "${share}/icons/hicolor")
    endif()
  endif()
]])
