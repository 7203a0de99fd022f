# Sets TABEL_VERSION from the project's version and, on a git checkout, the commit count and the commit.
set(TABEL_VERSION "${PROJECT_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-list --count HEAD
    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE _count OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _count_rc ERROR_QUIET)
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --short=7 HEAD
    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE _hash OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _hash_rc ERROR_QUIET)
  if(_count_rc EQUAL 0 AND _hash_rc EQUAL 0 AND _count AND _hash)
    set(TABEL_VERSION "${PROJECT_VERSION}+git${_count}.g${_hash}")
  endif()
endif()
message(STATUS "tabel version ${TABEL_VERSION}")
