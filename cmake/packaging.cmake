# SPDX-License-Identifier: Apache-2.0
# Install rules and the Debian package (CPack, DEB generator).
#
#   cpack --config <build>/CPackConfig.cmake -B <dir>   <dir>/qxsvr104_<version>_<arch>.deb
# (scripts/package.sh builds both architectures).
#
# Installed layout (prefix /usr):
#   bin/qxsvr104, bin/qx104master, bin/qxdemo,   the gateway and the three tools
#   bin/qxpoints
#   lib/qxsvr104/libqxdb.so                      the data store, private
#   share/qxsvr104/qxSvr.ini.example             every configuration key, documented
#   lib/systemd/system/qxsvr104.service          the service
#   share/doc/qxsvr104/                          copyright, changelog.gz, README.md
#   share/man/man1/<program>.1.gz                a manual page per program
#   QX_WORK_DIR (/var/lib/qxsvr104)              working directory: libqxdb.so
#                                                (a link to the one above) and tmp/
# The gateway loads "./libqxdb.so" from its working directory, so the
# working directory links to the installed library instead of the library
# sitting on the loader's search path.

set(QX_WORK_DIR "/var/lib/qxsvr104" CACHE PATH
    "Working directory of the installed service (qxSvr.ini, libqxdb.so, tmp/dbDat0.db3)")

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME qxsvr104)
set(_qx_prefix /usr) # of the package; cmake --install may use another
set(QX_INSTALL_GATEWAY ${_qx_prefix}/bin/qxsvr104)
set(QX_INSTALL_EXAMPLE_INI ${_qx_prefix}/share/qxsvr104/qxSvr.ini.example)

install(TARGETS qxsvr104 RUNTIME DESTINATION bin)
install(TARGETS qx104master qxdemo qxpoints RUNTIME DESTINATION bin)
install(TARGETS qxdb LIBRARY DESTINATION lib/qxsvr104 NAMELINK_SKIP)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/qxSvr.ini DESTINATION share/qxsvr104
        RENAME qxSvr.ini.example)

configure_file(${CMAKE_SOURCE_DIR}/packaging/qxsvr104.service.in
               ${CMAKE_BINARY_DIR}/packaging/qxsvr104.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/qxsvr104.service DESTINATION lib/systemd/system)

# The working directory with its link to the library (absolute: it lies
# outside the prefix; stage with DESTDIR).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/workdir)
file(CREATE_LINK ${_qx_prefix}/lib/qxsvr104/libqxdb.so
     ${CMAKE_BINARY_DIR}/packaging/workdir/libqxdb.so SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/workdir/libqxdb.so DESTINATION ${QX_WORK_DIR})
install(DIRECTORY DESTINATION ${QX_WORK_DIR}/tmp)

# ------------------------------------------------------ package documents
# /usr/share/doc/qxsvr104: copyright (Debian's machine-readable format),
# README.md, and changelog.gz, a Debian changelog made from CHANGELOG.md
# when it changes. /usr/share/man/man1: one page per program (section 1 like
# every program in /usr/bin, the gateway included), made by help2man from
# the program's --help and --version and packaging/man/<program>.h2m.in.
# Both are compressed with gzip -9n (packaging/package_docs.sh).
set(QX_MAINTAINER "qxsvr104 maintainers <qxsvr104@example.org>" CACHE STRING
    "Maintainer of the Debian package, \"Name <address>\" (control file and changelog)")

set(_qx_docs ${CMAKE_BINARY_DIR}/packaging/doc)
set(_qx_docs_script ${CMAKE_SOURCE_DIR}/packaging/package_docs.sh)
file(MAKE_DIRECTORY ${_qx_docs})
add_custom_command(
  OUTPUT ${_qx_docs}/changelog.gz
  COMMAND sh ${_qx_docs_script} changelog ${_qx_docs}/changelog.gz ${CMAKE_SOURCE_DIR}/CHANGELOG.md
          qxsvr104 ${PROJECT_VERSION} ${QX_MAINTAINER}
  DEPENDS ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${_qx_docs_script}
  COMMENT "Debian changelog from CHANGELOG.md"
  VERBATIM)
set(_qx_doc_outputs ${_qx_docs}/changelog.gz)

# A cross build runs the target's programs through its emulator.
find_program(QX_HELP2MAN help2man)
if(NOT QX_HELP2MAN)
  message(WARNING "help2man not found: the package will lack its manual pages")
elseif(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(WARNING "no emulator to run the target's programs: the package will lack its manual pages")
else()
  foreach(_prog qxsvr104 qx104master qxdemo qxpoints)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${_prog}.h2m.in
                   ${CMAKE_BINARY_DIR}/packaging/man/${_prog}.h2m @ONLY)
    set(_page ${CMAKE_BINARY_DIR}/packaging/man/${_prog}.1.gz)
    add_custom_command(
      OUTPUT ${_page}
      COMMAND sh ${_qx_docs_script} man ${_page} ${CMAKE_BINARY_DIR}/packaging/man/${_prog}.h2m
              ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${_prog}>
      DEPENDS ${_prog} ${CMAKE_BINARY_DIR}/packaging/man/${_prog}.h2m ${_qx_docs_script}
      COMMENT "Manual page of ${_prog}"
      VERBATIM)
    list(APPEND _qx_doc_outputs ${_page})
    install(FILES ${_page} DESTINATION share/man/man1)
  endforeach()
endif()
add_custom_target(qx_package_docs ALL DEPENDS ${_qx_doc_outputs})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_SOURCE_DIR}/README.md
              ${_qx_docs}/changelog.gz
        DESTINATION share/doc/qxsvr104)

# ------------------------------------------------- service user and run dir
# The unit runs the gateway as the system user qxsvr104 (made by
# systemd-sysusers from the snippet below, or adduser where it is missing, in
# the package's postinst, which also hands it the working directory's tmp/).
# The unit's RuntimeDirectory= is /run/qxsvr104, so the package build sets
# QX_RUN_DIR to it (scripts/package.sh); a build that does not keeps the pid
# file where the unit cannot write it, and says so here.
set(QX_SERVICE_RUN_DIR /run/qxsvr104)
if(NOT QX_RUN_DIR STREQUAL QX_SERVICE_RUN_DIR AND CMAKE_BUILD_TYPE STREQUAL "Release"
   AND NOT QX_BUILD_TESTS)
  message(WARNING "QX_RUN_DIR is ${QX_RUN_DIR}: the packaged unit gives the gateway "
                  "${QX_SERVICE_RUN_DIR} (configure with -DQX_RUN_DIR=${QX_SERVICE_RUN_DIR})")
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/qxsvr104.sysusers
               ${CMAKE_BINARY_DIR}/packaging/qxsvr104.conf @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/qxsvr104.conf DESTINATION lib/sysusers.d)
configure_file(${CMAKE_SOURCE_DIR}/packaging/postinst.in ${CMAKE_BINARY_DIR}/packaging/postinst
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# ------------------------------------------------------------------ package
# Debian's architecture name of the target.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm|armv7.*)$")
  set(_qx_deb_arch armhf)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  set(_qx_deb_arch arm64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
  set(_qx_deb_arch amd64)
else()
  set(_qx_deb_arch ${CMAKE_SYSTEM_PROCESSOR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qxsvr104)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "IEC 60870-5-104 telecontrol gateway (controlled station)")
set(CPACK_PACKAGE_CONTACT "${QX_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${_qx_prefix})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${_qx_deb_arch})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Debian 12 (glibc 2.36, SQLite 3.40, OpenSSL 3.0, GCC 12); dpkg-shlibdeps is
# not used because it cannot resolve a cross build's libraries. adduser: the
# postinst makes the service user with it where systemd-sysusers is missing.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12), libsqlite3-0 (>= 3.40), libssl3 (>= 3.0), adduser")
# The extended description, one line per row (at most 80 columns); CPack
# puts the summary above it.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Serves the process data that other programs keep in a local SQLite"
       "database to SCADA masters over IEC 60870-5-104 on TCP port 2404."
       "Contains the gateway qxsvr104 with its data-store library and systemd"
       "unit, an example qxSvr.ini, the operator master qx104master, the point"
       "list tool qxpoints for integrators and the demo data writer qxdemo.")
include(CPack)
