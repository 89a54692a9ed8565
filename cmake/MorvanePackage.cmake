# Install rules and the Debian package of the programs.
#
#   <prefix>/bin/morvane, morvane-data      the wizard and the tool
#   <prefix>/lib/morvane/libnetbrg2.so      the transport, private to them
#   <prefix>/share/morvane/                 the demo database scripts; its
#                                           presence tells the programs that
#                                           they run installed
#   <prefix>/share/applications, icons, man, doc/morvane
#
# The executables carry the run path $ORIGIN/../lib/morvane, so an installed
# copy and an unpacked one (dpkg -x) both find the transport without
# LD_LIBRARY_PATH; the session also names that folder when it loads the
# library (server/transport_binding.h). `cpack` in a build folder, or
# scripts/package.sh, makes morvane_<version>_amd64.deb from what is built
# there; the dependencies come from the linked libraries (dpkg-shlibdeps).

set(MORVANE_PRIVATE_LIBDIR lib/morvane)
# Installing and packaging take what is built and never start a build
# (scripts/package.sh builds first), so the package test can run cpack over
# the build folder while ctest runs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

foreach(program morvane morvane-data)
  if(TARGET ${program})
    target_compile_definitions(${program} PRIVATE MORVANE_VERSION="${PROJECT_VERSION}")
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${MORVANE_PRIVATE_LIBDIR}")
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()
if(TARGET netbrg2)
  install(TARGETS netbrg2 LIBRARY DESTINATION ${MORVANE_PRIVATE_LIBDIR})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/scripts/demo_db/schema.sql
              ${PROJECT_SOURCE_DIR}/scripts/demo_db/data.sql
              ${PROJECT_SOURCE_DIR}/scripts/demo_db/scale_goods.sql
        DESTINATION share/morvane)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/demo_db/make_demo_db.sh DESTINATION share/morvane)

if(TARGET morvane)
  install(FILES ${packaging}/morvane.desktop DESTINATION share/applications)
  install(FILES ${packaging}/morvane.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${packaging}/morvane-48.png DESTINATION share/icons/hicolor/48x48/apps
          RENAME morvane.png)
endif()

# Debian wants its manual pages and change log compressed, without a time
# stamp in the gzip header (gzip -n), so that builds are reproducible. The
# manual pages carry the project version; the change log needs an entry for
# each new version (the package test checks that its first entry matches).
find_program(GZIP_PROGRAM gzip)
set(compressed ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(${packaging}/morvane.1 ${compressed}/morvane.1 @ONLY)
configure_file(${packaging}/morvane-data.1 ${compressed}/morvane-data.1 @ONLY)
configure_file(${packaging}/changelog ${compressed}/changelog COPYONLY)
set(compressed_files)
foreach(source morvane.1 morvane-data.1 changelog)
  add_custom_command(OUTPUT ${compressed}/${source}.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${compressed}/${source}
    DEPENDS ${compressed}/${source}
    VERBATIM)
  list(APPEND compressed_files ${compressed}/${source}.gz)
endforeach()
add_custom_target(morvane_packaging_files ALL DEPENDS ${compressed_files})
install(FILES ${compressed}/morvane.1.gz ${compressed}/morvane-data.1.gz DESTINATION share/man/man1)
install(FILES ${compressed}/changelog.gz ${packaging}/copyright DESTINATION share/doc/morvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wizard that maps messy field values to allowed values")
# Lines of the long description stay under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Morvane is a desktop tool for database operators. The operator picks a\n"
  "field of a table whose values are a mess and a reference table of allowed\n"
  "values; the wizard lists the field's distinct values, the operator maps each\n"
  "one to an allowed value, and the wizard writes one UPDATE per changed value,\n"
  "shows the script for review and sends it to the database (SQLite or\n"
  "PostgreSQL).\n"
  "\n"
  "The package also holds morvane-data, a command-line tool over the program's\n"
  "data files and its database, and the scripts of the demo database.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(MORVANE_PACKAGE_MAINTAINER "Morvane developers <morvane@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (standard buttons, context menus, the file dialog) in the
# operator's language; dpkg-shlibdeps cannot see it, as it is no library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# make_demo_db.sh needs a command-line client; the programs themselves do not.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sqlite3, postgresql-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
