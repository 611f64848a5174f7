# Install rules and the Debian package (CPack, DEB generator).
#
#   cpack --config <build>/CPackConfig.cmake -B <dir>   <dir>/qxsvr104_<version>_<arch>.deb
# (scripts/package.sh builds both architectures).
#
# Installed layout (prefix /usr):
#   bin/qxsvr104, bin/qx104master, bin/qxdemo    the gateway and the two tools
#   lib/qxsvr104/libqxdb.so                      the data store, private
#   share/qxsvr104/qxSvr.ini.example             every configuration key, documented
#   lib/systemd/system/qxsvr104.service          the service
#   QX_WORK_DIR (/var/lib/qxsvr104)              working directory: libqxdb.so
#                                                (a link to the one above) and tmp/
# The gateway loads "./libqxdb.so" from its working directory, so the
# working directory links to the installed library instead of the library
# sitting on the loader's search path.

set(QX_WORK_DIR "/var/lib/qxsvr104" CACHE PATH
    "Working directory of the installed service (qxSvr.ini, libqxdb.so, tmp/dbDat0.db3)")

if(NOT TARGET qxsvr104 OR NOT TARGET qxdb)
  return()
endif()

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME qxsvr104)
set(_qx_prefix /usr) # of the package; cmake --install may use another
set(QX_INSTALL_GATEWAY ${_qx_prefix}/bin/qxsvr104)
set(QX_INSTALL_EXAMPLE_INI ${_qx_prefix}/share/qxsvr104/qxSvr.ini.example)

install(TARGETS qxsvr104 RUNTIME DESTINATION bin)
foreach(_tool qx104master qxdemo)
  if(TARGET ${_tool})
    install(TARGETS ${_tool} RUNTIME DESTINATION bin)
  endif()
endforeach()
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
set(CPACK_PACKAGE_CONTACT "qxsvr104 maintainers <qxsvr104@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${_qx_prefix})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${_qx_deb_arch})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Debian 12 (glibc 2.36, SQLite 3.40, OpenSSL 3.0, GCC 12); dpkg-shlibdeps is not used
# because it cannot resolve a cross build's libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12), libsqlite3-0 (>= 3.40), libssl3 (>= 3.0)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Serves the process data that other programs keep in a local SQLite database to SCADA masters over IEC 60870-5-104 on TCP port 2404. Contains the gateway, its data-store library, the operator master qx104master, the demo data writer qxdemo, an example qxSvr.ini and a systemd unit.")
include(CPack)
