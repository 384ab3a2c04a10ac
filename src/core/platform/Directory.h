#pragma once

#include <string>
#include <vector>

// Folder operations on UTF-8 paths.

// The names of the regular files in `directory`, in no particular order; empty when it is
// missing or cannot be read.
std::vector<std::string> ListFileNames(const std::string& directory);

// Creates `directory` (not its parents) unless it exists. Returns 0 or an errno-style code.
int MakeDirectory(const std::string& directory);
