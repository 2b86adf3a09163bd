// Whole files as text, for the hosts' scenarios, settings and state files.
#pragma once
#include <string>

// False, and *out untouched, when the file cannot be read.
bool ReadTextFile(const std::string& path, std::string* out);
// Replaces the file's content; false when it cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text);
