// Reading a scenario file in one piece, shared by both simulated vendor libraries.
#pragma once

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

// The file's bytes, or nothing when it cannot be opened.
inline std::optional<std::string> readWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}
