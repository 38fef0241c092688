# The Debian package md-dump: the three programs and their manual pages, with
# the package's copyright and changelog, and what runs md_dump as a service:
# the systemd unit, an example of its configuration, the logrotate snippet
# and the Prometheus alert rules with their tests. `cpack` in the build folder (or
# scripts/package) writes md-dump_<version>_<architecture>.deb. Its Depends are
# computed from the binaries by dpkg-shlibdeps, so they name exactly the
# runtime libraries the build linked against.

# The copyright and changelog go into the package only, not into a plain
# `cmake --install`.
set(debian_docs ${CMAKE_INSTALL_DATAROOTDIR}/doc/md-dump)
set(changelog ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog)
file(STRINGS ${changelog} latest_entry LIMIT_COUNT 1)
if(NOT latest_entry MATCHES "^md-dump \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog has no entry for version ${PROJECT_VERSION} "
                        "on its first line")
endif()
execute_process(COMMAND ${GZIP} -9 -n -c ${changelog}
                OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/copyright
              ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${debian_docs} COMPONENT debian EXCLUDE_FROM_ALL)

# The service's files go into the package only, not into a plain `cmake
# --install`: they name the package's paths, /usr/bin/md_dump and /etc. The
# two in /etc are the administrator's to edit: conffiles.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/systemd/md_dump@.service
        DESTINATION lib/systemd/system COMPONENT service EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/systemd/example.conf
        DESTINATION /etc/md_dump COMPONENT service EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/logrotate/md_dump
        DESTINATION /etc/logrotate.d COMPONENT service EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/prometheus/md_dump.rules.yml
              ${CMAKE_CURRENT_SOURCE_DIR}/packaging/prometheus/md_dump.rules.test.yml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/md_dump/prometheus COMPONENT service EXCLUDE_FROM_ALL)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles
     "/etc/logrotate.d/md_dump\n/etc/md_dump/example.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles)

# cpack packages what is built rather than building every target first (the
# tests, benchmarks and fuzz targets are not in the package).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME md-dump)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "md_dump developers <md-dump@example.org>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dumper and sequence checker of tarn market-data feeds")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "md_dump joins one UDP multicast group of the tarn binary market-data\n"
    "protocol and writes one log line per message, its header or every field\n"
    "decoded. It checks the sequence numbers for gaps and resends and ends\n"
    "with a summary. md_synth writes a sample trading session as a pcap\n"
    "capture, and md_replay sends a capture to a multicast group.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# One package of both components.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL programs debian service)
include(CPack)
