# Installation helpers and the Debian packages (CPack): `brenmoor`, the program, and
# `brenmoor-devicesim`, the device simulator. tools/package.sh builds them.
include(GNUInstallDirs)

# The release's date, for the metainfo, the manual pages and the package's changelog. Change
# it with the version in project().
set(BRENMOOR_RELEASE_DATE 2026-12-09)
set(BRENMOOR_RELEASE_DATE_RFC2822 "Wed, 09 Dec 2026 12:00:00 +0000")
set(BRENMOOR_MAINTAINER "The Lorvane developers <dev@lorvane.org>")

find_program(BRENMOOR_GZIP gzip REQUIRED)

# A compressed file: Debian wants manual pages and changelogs gzipped, and without a time
# stamp (-n) so that two builds give the same bytes.
function(brenmoor_gzip source output target)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${BRENMOOR_GZIP} -9nc ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# A manual page in section 1, from a template that may name @PROJECT_VERSION@ and
# @BRENMOOR_RELEASE_DATE@.
function(brenmoor_install_manual template program component)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${program}.1)
  configure_file(${template} ${page} @ONLY)
  brenmoor_gzip(${page} ${page}.gz ${program}_manual)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

# /usr/share/doc/<package>/: the copyright file and the changelog every Debian package carries.
function(brenmoor_install_debian_docs package component)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/${package}.changelog)
  file(WRITE ${changelog}
       "${package} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}.\n\n"
       " -- ${BRENMOOR_MAINTAINER}  ${BRENMOOR_RELEASE_DATE_RFC2822}\n")
  brenmoor_gzip(${changelog} ${changelog}.gz ${package}_changelog)
  install(FILES ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} RENAME changelog.gz
          COMPONENT ${component})
  install(FILES ${PROJECT_SOURCE_DIR}/app/data/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
          COMPONENT ${component})
endfunction()

# The firewall profiles that let the devices' replies in (app/CMakeLists.txt installs them):
# ufw reads application profiles from /etc/ufw/applications.d only, whatever the prefix, and
# firewalld its packaged services from /usr/lib/firewalld/services. A file under /etc is a
# configuration file: dpkg keeps an administrator's edits on upgrade and the file on
# `apt-get remove`, until a purge.
set(BRENMOOR_UFW_APPLICATIONS_DIR /etc/ufw/applications.d)
set(BRENMOOR_FIREWALLD_SERVICES_DIR lib/firewalld/services)
set(BRENMOOR_APP_CONFFILES ${PROJECT_BINARY_DIR}/debian/brenmoor/conffiles)
file(WRITE ${BRENMOOR_APP_CONFFILES} "${BRENMOOR_UFW_APPLICATIONS_DIR}/brenmoor\n")

# The postinst gives the ARP helper its one capability, raw sockets (tools/brenmoor.postinst.in).
# Debian wants maintainer scripts executable: file(COPY) sets 0755 on the configured script.
set(BRENMOOR_ARP_HELPER /usr/libexec/brenmoor/brenmoor-arp)
configure_file(${CMAKE_CURRENT_LIST_DIR}/brenmoor.postinst.in ${PROJECT_BINARY_DIR}/debian/postinst/postinst @ONLY)
file(COPY ${PROJECT_BINARY_DIR}/debian/postinst/postinst DESTINATION ${PROJECT_BINARY_DIR}/debian/brenmoor
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenmoor)
set(CPACK_PACKAGE_VENDOR "The Lorvane developers")
set(CPACK_PACKAGE_CONTACT ${BRENMOOR_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app simulator)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BRENMOOR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://lorvane.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_APP_PACKAGE_NAME brenmoor)
# `arp -an` when the netlink read fails; the registry that names each device's maker.
# Qt's own translations: the file dialogs and standard buttons in the user's language too.
if(BRENMOOR_QT STREQUAL "6")
  set(BRENMOOR_QT_TRANSLATIONS qt6-translations-l10n)
else()
  set(BRENMOOR_QT_TRANSLATIONS qttranslations5-l10n)
endif()
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS "net-tools, ieee-data, ${BRENMOOR_QT_TRANSLATIONS}")
# setcap, for the postinst; the shared libraries' packages are worked out and added to it.
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS libcap2-bin)
set(CPACK_DEBIAN_APP_PACKAGE_CONTROL_EXTRA ${BRENMOOR_APP_CONFFILES} ${PROJECT_BINARY_DIR}/debian/brenmoor/postinst)
# The conffiles list 0644 and the postinst 0755, as Debian wants.
set(CPACK_DEBIAN_APP_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_APP_DESCRIPTION "find networked devices and set their IP addresses
Lorvane is for the people who install networked devices such as cameras. It
finds every device on every local IPv4 network of the computer, lists them in
IP order and flags addresses that two devices claim at once. A device still at
its factory address is found too, and can be given an address, mask and
gateway in the installer's network by its MAC address. The program is
called brenmoor.")
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME brenmoor-devicesim)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SIMULATOR_DESCRIPTION "simulated networked devices for testing Lorvane
bm-devicesim answers the discovery requests of the device protocols Lorvane
speaks as one or many configurable devices would, records every datagram it
receives and can misbehave on purpose. For device makers and testers, in
test networks and network namespaces.")
include(CPack)
