#pragma once

// The moment this program was built: the date as YYYYMMDD and the time as seconds after midnight.
// Both are written anew whenever a library of the program changed (a build with nothing new keeps them).
int buildDate();
int buildTime();
// The program's version as --version prints it: git describe of the built tree (see cmake/build_stamp.cmake).
const char* programVersion();
