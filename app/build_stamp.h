#pragma once

// The moment this program was built: the date as YYYYMMDD and the time as seconds after midnight.
// Both are written anew whenever a library of the program changed (a build with nothing new keeps them).
int buildDate();
int buildTime();

// The program's version, e.g. "1.0.0+git412.g70bbc7f" (shown by --version and in the package's name).
const char* programVersion();
