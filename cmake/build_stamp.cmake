# Writes the build stamp: the build date as YYYYMMDD and the time of day in seconds after midnight.
string(TIMESTAMP day "%Y%m%d")
string(TIMESTAMP hh "%H")
string(TIMESTAMP mm "%M")
string(TIMESTAMP ss "%S")
# Leading zeros would read as octal in math(); strip them first.
string(REGEX REPLACE "^0+([0-9])" "\\1" hh "${hh}")
string(REGEX REPLACE "^0+([0-9])" "\\1" mm "${mm}")
string(REGEX REPLACE "^0+([0-9])" "\\1" ss "${ss}")
math(EXPR secs "${hh} * 3600 + ${mm} * 60 + ${ss}")
# The version the program reports (--version): git describe of the source tree, or TABEL_VERSION where the
# tree is no git checkout (a source archive).
set(version "${TABEL_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" describe --tags --always --dirty WORKING_DIRECTORY "${SOURCE}"
                  OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND described)
    set(version "${described}")
  endif()
endif()
if(NOT version)
  set(version "0")
endif()
file(WRITE "${OUT}" "#include \"app/build_stamp.h\"\nint buildDate() { return ${day}; }\nint buildTime() { return ${secs}; }\nconst char* programVersion() { return \"${version}\"; }\n")
