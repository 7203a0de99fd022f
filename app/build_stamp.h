#pragma once

// The moment this program was built: the date as YYYYMMDD and the time as seconds after midnight.
// Both are written anew by every build.
int buildDate();
int buildTime();
