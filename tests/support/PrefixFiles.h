// Files of the Wine prefix as the Windows tests see them: folders that the
// build names in the environment, and whole files read and written as bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// The path in environment variable `name` as Wine reaches it: a Unix path
// becomes one on drive Z:. Empty when the variable is not set.
std::string WinePathFromEnvironment(const char* name);

// A file of that name in the Windows directory ("C:\\windows\\Korvel.cfg").
std::string InWindowsFolder(const char* name);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace testing_support
