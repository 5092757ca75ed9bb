# The Debian package (make package): CPack's DEB generator over the install
# rules, with the version from project() and dependencies from dpkg-shlibdeps.

# The desktop entry, icon and metainfo share this name, as AppStream wants.
set(CORVANE_APP_ID org.corvane.Corvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_CONTACT "Corvane maintainers <maintainers@users.noreply.c-seed-58efe490.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NetScreen firewall syslog receiver with reports and charts")
# CPack puts the summary before it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Corvane receives the traffic logs of NetScreen firewalls as UDP syslog
datagrams and stores one row per datagram in an SQLite database. Its window
shows the newest rows, runs stored reports into a preview that exports
comma-separated text, draws traffic charts and converts captured text files.

corvane-capture captures without a window as a systemd service (not enabled
by default) on /var/lib/corvane; corvane-newdb, corvane-query and
corvane-convert make databases, query them and convert files.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/deb/postinst
  ${PROJECT_SOURCE_DIR}/packaging/deb/prerm
  ${PROJECT_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The build keeps its debugging information; the package does not.
set(CPACK_STRIP_FILES ON)
# Only the package: a source archive of this tree would sweep up the build.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
