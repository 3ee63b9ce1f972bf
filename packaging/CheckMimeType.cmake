# Builds a MIME database from the package's type alone, as update-mime-database does on install,
# and checks that it maps setup files to their type and that the desktop entry opens that type.
# The tool exits with 0 even when it cannot parse the file, so anything it says counts as a failure.
# Arguments: -DUPDATE_MIME_DATABASE=<the tool> -DMIME_XML=<the package file>
#            -DDESKTOP_ENTRY=<the generated desktop entry> -DWORK_DIR=<a scratch folder>
set(mime_dir "${WORK_DIR}/mime")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${mime_dir}/packages")
file(COPY "${MIME_XML}" DESTINATION "${mime_dir}/packages")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "XDG_DATA_DIRS=${WORK_DIR}" "XDG_DATA_HOME=${WORK_DIR}"
                        "${UPDATE_MIME_DATABASE}" "${mime_dir}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE messages)
if(NOT status EQUAL 0 OR NOT "${output}${messages}" STREQUAL "")
    message(FATAL_ERROR "update-mime-database refused ${MIME_XML} (${status}): ${output}${messages}")
endif()
file(STRINGS "${mime_dir}/globs2" globs REGEX "application/x-lumeral-setup")
if(NOT globs MATCHES ":application/x-lumeral-setup:\\*\\.lumeral")
    message(FATAL_ERROR "no *.lumeral glob for application/x-lumeral-setup: '${globs}'")
endif()
file(READ "${DESKTOP_ENTRY}" entry)
if(NOT entry MATCHES "\nMimeType=([^\n]*;)?application/x-lumeral-setup;")
    message(FATAL_ERROR "${DESKTOP_ENTRY} does not declare application/x-lumeral-setup")
endif()
