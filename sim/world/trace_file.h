// The native-call trace file: JSON lines, gzip-compressed when the name ends in ".gz".
#pragma once
#include <cstdio>
#include <string>

// Opens the trace for writing; nullptr when it cannot be created.
std::FILE* OpenTraceFile(const std::string& path);
// Finishes the trace (and the compressed stream with it); 0, or EOF when it could not be written.
int CloseTraceFile(std::FILE* trace);
