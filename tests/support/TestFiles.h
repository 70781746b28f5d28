#pragma once

#include <filesystem>
#include <string>
#include <vector>

/// The whole content of a file, byte for byte; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
/// A path in the temporary folder named strStem, this process's id and
/// strExtension, so test binaries running at once do not meet.
std::filesystem::path TempPath(const std::string& strStem, const std::string& strExtension = "");
/// An HTML page with one <A HREF="..."> line per href, and strHead inside
/// its HEAD.
std::string Page(const std::vector<std::string>& hrefs, const std::string& strHead = "");
