# The Debian package: `make package` (or `cmake --build build --target package`) writes
# build/quillon_<version>_<arch>.deb.

# The changelog's newest entry names the package version; the two must agree.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/changelog _changelog_top LIMIT_COUNT 1)
if(NOT _changelog_top MATCHES "^${QUILLON_PACKAGE_NAME} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry must be version ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QUILLON_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillon maintainers <maintainers@users.noreply.c-seed-88a49805.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hardware monitor that also feeds a small USB display")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillon reads the machine's CPU and GPU temperatures, loads, clocks, power
draw and fan speeds about once a second, with memory and system-drive usage,
and shows them in one window with two dial gauges. It lives in the system tray
and starts at logon. The same values, with the date and time, go to a small
USB HID display (vendor 5131, product 2007) when one is plugged in.
.
A systemd user unit runs it without a desktop, for a machine that only drives
the display.")
# Configured paths (the units' ExecStart) come from the install prefix, so the package
# is laid out under the same prefix; `make` configures /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Liberation Sans stands in for the Arial the dials ask for, with the same metrics, so
# their texts fit as laid out.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")

set(_scripts)
foreach(_script postinst prerm postrm)
    configure_file(${CMAKE_CURRENT_SOURCE_DIR}/${_script}.in
                   ${CMAKE_CURRENT_BINARY_DIR}/scripts/${_script} @ONLY)
    list(APPEND _scripts ${CMAKE_CURRENT_BINARY_DIR}/scripts/${_script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_scripts})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
