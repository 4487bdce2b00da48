# cmake -DPROGRAM=... -DSOURCE=... -DDESTINATION=... -P run_demo.cmake
file(REMOVE_RECURSE "${DESTINATION}")
file(COPY "${SOURCE}/" DESTINATION "${DESTINATION}")
message(STATUS "Running ks-image-check in ${DESTINATION}")
execute_process(COMMAND "${PROGRAM}" WORKING_DIRECTORY "${DESTINATION}" RESULT_VARIABLE exitCode)
file(GLOB reports "${DESTINATION}/tag_report_image_*.txt")
message(STATUS "Exit code: ${exitCode}")
message(STATUS "Report: ${reports}")
message(STATUS "Diagnostic log: ${DESTINATION}/image_error_log.txt")
