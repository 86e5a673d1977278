# What the Debian package holds besides the program, the desktop entry and
# the icons (app/CMakeLists.txt installs those), and the package itself:
# `cpack -G DEB` in a build tree makes lumicar_<version>_<arch>.deb.

# Where the project lives; the software centres show the screenshot from the
# repository's docs/ folder.
set(LUMICAR_HOMEPAGE_URL "https://lumicar.example.org" CACHE STRING
  "The project's home page, named in the package and in its software-centre entry")
set(LUMICAR_DOCS_URL "${LUMICAR_HOMEPAGE_URL}/docs" CACHE STRING
  "Where the repository's docs/ folder is published (the screenshot is viewer.png there)")
# The software centres' name for the program: the home page's domain
# reversed, with the program's name.
set(LUMICAR_APPSTREAM_ID "org.example.lumicar" CACHE STRING
  "The program's reverse-DNS identifier in the software centres (the home page's domain)")
# The day this version was released: the manual page and the software
# centres' entry state it.
set(LUMICAR_RELEASE_DATE 2026-12-10)

set(packaging_dir ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)

configure_file(${packaging_dir}/lumicar.metainfo.xml.in ${packaging_out}/${LUMICAR_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${packaging_out}/${LUMICAR_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and changelogs are installed compressed as much as gzip can,
# without a time stamp, so that the same sources make the same package.
configure_file(${packaging_dir}/lumicar.1.in ${packaging_out}/lumicar.1 @ONLY)
add_custom_command(OUTPUT ${packaging_out}/lumicar.1.gz ${packaging_out}/changelog.gz
  COMMAND gzip -9 -n -c ${packaging_out}/lumicar.1 > ${packaging_out}/lumicar.1.gz
  COMMAND gzip -9 -n -c ${packaging_dir}/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${packaging_out}/lumicar.1 ${packaging_dir}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(lumicar_packaging_files ALL DEPENDS ${packaging_out}/lumicar.1.gz ${packaging_out}/changelog.gz)
install(FILES ${packaging_out}/lumicar.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_dir}/copyright ${packaging_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumicar)

# The menus and captions are Japanese: without a Japanese font they show as
# boxes. The package depends on one, and `cmake --install` says which to
# install when fontconfig knows none.
set(CPACK_PACKAGE_NAME lumicar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumicar developers")
set(CPACK_PACKAGE_CONTACT "Lumicar developers <maintainers@users.noreply.c-seed-cbb4f07a.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "USB camera viewer for use as a document camera")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LUMICAR_HOMEPAGE_URL})
# The long description; CPack puts the summary above it and indents it as
# the control file wants.
set(CPACK_PACKAGE_DESCRIPTION "Lumicar turns an ordinary USB camera into a document camera: it shows the
camera's live picture in a resizable window or across the whole screen, and
turns the picture by 180 degrees on request. Everything is worked through a
pop-up menu on the picture. Without a camera it shows a moving test pattern.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
# Debian's rules: stripped programs, control files owned and moded as dpkg
# expects.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
