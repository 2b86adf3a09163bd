// The native-call trace file: JSON lines, gzip-compressed when the name ends in ".gz".
#pragma once
#include <cstdio>
#include <string>

// Opens the trace for writing; nullptr when it cannot be created. std::fclose finishes it (and
// the compressed stream with it).
std::FILE* OpenTraceFile(const std::string& path);
