# Makes the shipped database file from the schema, but only where no file
# exists yet: a rebuild must never wipe the rows a user has collected.
#   cmake -DSQLITE3=<sqlite3 tool> -DSCHEMA=<schema.sql> -DOUTPUT=<spec_base.mdb> -P CreateDatabase.cmake
if(EXISTS "${OUTPUT}")
  return()
endif()
get_filename_component(_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${_dir}")
# Built under a temporary name and renamed at the end, so that a failed run
# leaves no half-made file that the next build would take for finished.
set(_partial "${OUTPUT}.partial")
file(REMOVE "${_partial}" "${_partial}-journal")
execute_process(COMMAND "${SQLITE3}" -bail "${_partial}"
                INPUT_FILE "${SCHEMA}"
                RESULT_VARIABLE _result
                ERROR_VARIABLE _error)
if(NOT _result EQUAL 0)
  file(REMOVE "${_partial}")
  message(FATAL_ERROR "Cannot make ${OUTPUT} from ${SCHEMA}: ${_error}")
endif()
file(RENAME "${_partial}" "${OUTPUT}")
message(STATUS "Made ${OUTPUT}")
