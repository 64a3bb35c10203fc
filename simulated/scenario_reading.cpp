#include "scenario_reading.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace simulated {
namespace {

// Exit status of a process whose test set-up is broken: never that of a program's result.
constexpr int kBrokenSetUpStatus = 86;

std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace

void fail(const std::string& place, const std::string& problem) {
  throw ScenarioError(place, problem);
}

std::string member(const std::string& place, std::string_view key) {
  return place + "." + std::string(key);
}

std::string element(const std::string& place, std::size_t index) {
  return place + "[" + std::to_string(index) + "]";
}

Json readDocument(const std::string& text) {
  try {
    return Json::parse(text);
  } catch (const Json::exception& error) {
    fail(kScenarioRoot, error.what());
  }
}

Json readDocumentFile(const std::string& path) {
  const auto text = readWholeFile(path);
  if (!text) fail(kScenarioRoot, "cannot open " + path);
  return readDocument(*text);
}

void requireObject(const Json& value, const std::string& place,
                   std::initializer_list<std::string_view> knownKeys) {
  if (!value.is_object()) fail(place, "expected an object");
  for (const auto& item : value.items()) {
    if (std::find(knownKeys.begin(), knownKeys.end(), item.key()) == knownKeys.end()) {
      fail(member(place, item.key()), "unknown key");
    }
  }
}

std::string textValue(const Json& value, const std::string& place) {
  if (!value.is_string()) fail(place, "expected a string");
  return value.get<std::string>();
}

std::string bytesFromHex(const std::string& hex, const std::string& place) {
  if (hex.size() % 2 != 0) fail(place, "expected an even number of hexadecimal digits");
  std::string bytes;
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    const std::string pair = hex.substr(at, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      fail(place, "expected hexadecimal digits");
    }
    bytes += static_cast<char>(std::stoul(pair, nullptr, 16));
  }
  return bytes;
}

std::string bytesValue(const Json& value, const std::string& place) {
  if (value.is_string()) return value.get<std::string>();
  if (!value.is_object() || value.size() != 1 || !value.contains("hex")) {
    fail(place, "expected a string or {\"hex\": \"<hexadecimal digits>\"}");
  }
  const std::string hexPlace = member(place, "hex");
  return bytesFromHex(textValue(value["hex"], hexPlace), hexPlace);
}

Delay delayValue(const Json& value, const std::string& place) {
  if (!value.is_object()) return {integerValue<std::uint32_t>(value, place), 0};
  requireObject(value, place, {"milliseconds", "call"});
  if (!value.contains("milliseconds")) fail(member(place, "milliseconds"), "missing");
  return {integerField<std::uint32_t>(value, "milliseconds", place),
          integerField<std::uint32_t>(value, "call", place)};
}

void waitOut(const std::optional<Delay>& delay, std::uint32_t callNumber) {
  if (!delay || (delay->onCall != 0 && delay->onCall != callNumber)) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(delay->milliseconds));
}

Crash crashValue(const Json& value, const std::string& place) {
  if (value == Json(true)) return {0};
  if (!value.is_object()) fail(place, "expected true or {\"call\": <call number>}");
  requireObject(value, place, {"call"});
  return {integerField<std::uint32_t>(value, "call", place)};
}

// The sanitizers' null check is off here: the fault is what the scenario asks for.
__attribute__((no_sanitize("null"))) void crashOn(const std::optional<Crash>& crash,
                                                  std::uint32_t callNumber) {
  if (!crash || (crash->onCall != 0 && crash->onCall != callNumber)) return;
  // The address is read from a volatile object, so the compiler can neither know that it is
  // null nor leave the write out.
  volatile int* volatile address = nullptr;
  *address = 0;
}

void endBrokenSetUp(std::string_view library, std::string_view message) {
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(library.size()), library.data(),
               static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
  std::_Exit(kBrokenSetUpStatus);
}

void endOnBadScenario(std::string_view library, const ScenarioError& error) {
  endBrokenSetUp(library, std::string("bad scenario: ") + error.what());
}

namespace {

// The file's bytes, or nothing when it cannot be opened. The path is UTF-8, so that on Windows
// a file whose path holds any character opens (through its UTF-16 name).
std::optional<std::string> readWholeFile(const std::string& path) {
  const std::u8string utf8Path(path.begin(), path.end());
  std::ifstream file(std::filesystem::path(utf8Path), std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

}  // namespace simulated
