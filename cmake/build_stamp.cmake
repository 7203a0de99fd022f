# Writes the build stamp: the build date as YYYYMMDD, the time of day in seconds after midnight, and the
# program's version (-DVERSION=...).
string(TIMESTAMP day "%Y%m%d")
string(TIMESTAMP hh "%H")
string(TIMESTAMP mm "%M")
string(TIMESTAMP ss "%S")
# Leading zeros would read as octal in math(); strip them first.
string(REGEX REPLACE "^0+([0-9])" "\\1" hh "${hh}")
string(REGEX REPLACE "^0+([0-9])" "\\1" mm "${mm}")
string(REGEX REPLACE "^0+([0-9])" "\\1" ss "${ss}")
math(EXPR secs "${hh} * 3600 + ${mm} * 60 + ${ss}")
file(WRITE "${OUT}" "#include \"app/build_stamp.h\"\nint buildDate() { return ${day}; }\nint buildTime() { return ${secs}; }\nconst char* programVersion() { return \"${VERSION}\"; }\n")
