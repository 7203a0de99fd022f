# Installation layout and the Debian package of the program (built by scripts/package with CPack).
include(GNUInstallDirs)

set(TABEL_MAINTAINER "Tabel developers <maintainers@users.noreply.c-seed-e7218cec.example>"
    CACHE STRING "the package's maintainer")

install(TARGETS tabel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES package/tabel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/icons/tabel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES app/icons/tabel-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME tabel.png)
endforeach()
# The machine's settings file, a conffile: /etc whatever the prefix.
install(FILES package/tabel.conf DESTINATION /etc/tabel)

# The documentation: README, licence (as Debian's copyright file), a changelog and the manual page, which is
# made from the program's own --help text.
set(DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tabel)
install(FILES README.md DESTINATION ${DOC_DIR})
install(FILES LICENSE DESTINATION ${DOC_DIR} RENAME copyright)
string(TIMESTAMP CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(package/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
set(MAN_PAGE ${CMAKE_BINARY_DIR}/package/tabel.1)
set(CHANGELOG_GZ ${CMAKE_BINARY_DIR}/package/changelog.gz)
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
if(HELP2MAN AND GZIP)
  add_custom_command(OUTPUT ${MAN_PAGE}.gz ${CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --no-discard-stderr --section=1 --source=Tabel
            "--name=desktop client of a piece-rate plant's production-accounting office" --output=${MAN_PAGE} $<TARGET_FILE:tabel>
    COMMAND ${GZIP} -9nf ${MAN_PAGE}
    COMMAND ${GZIP} -9nkf ${CMAKE_BINARY_DIR}/package/changelog
    DEPENDS tabel ${CMAKE_BINARY_DIR}/package/changelog
    COMMENT "Writing the manual page from tabel --help"
    VERBATIM)
  add_custom_target(package_docs DEPENDS ${MAN_PAGE}.gz ${CHANGELOG_GZ})
  install(FILES ${MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 OPTIONAL)
  install(FILES ${CHANGELOG_GZ} DESTINATION ${DOC_DIR} OPTIONAL)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tabel)
set(CPACK_PACKAGE_VERSION "${TABEL_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${TABEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TABEL_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of a plant's production-accounting office")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Records, per day and shift, which worker did which priced operation on which\n"
    "product, with the monthly time sheets, maintenance work, summary reports and\n"
    "spreadsheet exports of a piece-rate plant. All data lives in the plant's\n"
    "PostgreSQL database; the interface is Russian.")
# Dependencies are computed from the binary; the platform plugins and the ODBC driver of the legacy import
# are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-odbc, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/package/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
