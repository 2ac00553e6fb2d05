# Installs the udev component into a scratch prefix and compares the installed rule.
file(REMOVE_RECURSE ${PREFIX})
execute_process(
    COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --component udev
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(installed ${PREFIX}/lib/udev/rules.d/71-quillon-display.rules)
if(NOT EXISTS ${installed})
    message(FATAL_ERROR "not installed: ${installed}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${installed}
    RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
    message(FATAL_ERROR "installed rule differs from ${EXPECTED}")
endif()
