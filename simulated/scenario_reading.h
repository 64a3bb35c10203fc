// Reading scenario files, shared by the simulated vendor libraries: the file and its JSON
// document, checked values with the place of each in the file, and the one reaction to a bad
// scenario. A place is a path from the document's root, named "scenario", such as
// scenario.adapters[0].memory.size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os.h"

namespace simulated {

using Json = nlohmann::json;

// The root's place.
inline constexpr char kScenarioRoot[] = "scenario";

// A scenario that cannot be read or does not follow its format; what() is
// "<place>: <problem>".
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(const std::string& place, const std::string& problem)
      : std::runtime_error(place + ": " + problem) {}
};

// Raises the ScenarioError of a problem at the place.
[[noreturn]] void fail(const std::string& place, const std::string& problem);

// The place of an object's member and of an array's element.
std::string member(const std::string& place, std::string_view key);
std::string element(const std::string& place, std::size_t index);

// The JSON document of a scenario text, and of a scenario file; text that is not JSON, or a
// file that cannot be opened, is a fault at the root.
Json readDocument(const std::string& text);
Json readDocumentFile(const std::string& path);

// Each member of the object under the key, read by read(key, value, place); nothing when the
// object lacks the key.
template <typename Read>
void readMembers(const Json& object, std::string_view key, const std::string& place, Read read) {
  const auto found = object.find(key);
  if (found == object.end()) return;
  const std::string membersPlace = member(place, key);
  if (!found->is_object()) fail(membersPlace, "expected an object");
  for (const auto& item : found->items()) {
    read(item.key(), item.value(), member(membersPlace, item.key()));
  }
}

// The value must be an object whose keys are all among the known ones, so that a misspelt key
// is an error instead of a silently ignored setting.
void requireObject(const Json& value, const std::string& place,
                   std::initializer_list<std::string_view> knownKeys);

// The value as a T when it is an integer from minimum to maximum (by default T's range).
template <typename T>
T integerValue(const Json& value, const std::string& place,
               T minimum = std::numeric_limits<T>::min(),
               T maximum = std::numeric_limits<T>::max()) {
  const bool inRange = value.is_number_unsigned()
                           ? std::cmp_less_equal(value.get<std::uint64_t>(), maximum) &&
                                 std::cmp_greater_equal(value.get<std::uint64_t>(), minimum)
                           : value.is_number_integer() &&
                                 std::cmp_less_equal(value.get<std::int64_t>(), maximum) &&
                                 std::cmp_greater_equal(value.get<std::int64_t>(), minimum);
  if (!inRange) {
    fail(place,
         "expected an integer from " + std::to_string(minimum) + " to " + std::to_string(maximum));
  }
  return value.is_number_unsigned() ? static_cast<T>(value.get<std::uint64_t>())
                                    : static_cast<T>(value.get<std::int64_t>());
}

// The member's value as a T (integerValue), or the fallback when the object lacks the key.
template <typename T>
T integerField(const Json& object, std::string_view key, const std::string& place,
               T fallback = T{}) {
  const auto found = object.find(key);
  return found == object.end() ? fallback : integerValue<T>(*found, member(place, key));
}

// The value's text: it must be a JSON string.
std::string textValue(const Json& value, const std::string& place);

// The bytes that the hexadecimal digits stand for, two digits a byte.
std::string bytesFromHex(const std::string& hex, const std::string& place);

// Text that may hold any bytes: a JSON string, or {"hex": "<digits>"} for bytes that are not
// UTF-8 or include a NUL.
std::string bytesValue(const Json& value, const std::string& place);

// Copies the bytes into a fixed character field of a vendor structure. Bytes that fill the
// whole field leave it without a terminating NUL; more than fit are refused.
template <std::size_t Size>
void copyToField(const std::string& bytes, char (&field)[Size], const std::string& place) {
  if (bytes.size() > Size) fail(place, "longer than " + std::to_string(Size) + " bytes");
  std::memcpy(field, bytes.data(), bytes.size());
}

// The items of the array under the key (none when the key is absent), each read by readItem
// from its value and its place; an array longer than maximumLength is refused.
template <typename ReadItem>
auto listField(const Json& object, std::string_view key, const std::string& place,
               std::size_t maximumLength, ReadItem readItem) {
  std::vector<decltype(readItem(object, place))> items;
  const auto found = object.find(key);
  if (found == object.end()) return items;
  const std::string listPlace = member(place, key);
  if (!found->is_array()) fail(listPlace, "expected an array");
  if (found->size() > maximumLength) {
    fail(listPlace, "more than " + std::to_string(maximumLength) + " entries");
  }
  for (std::size_t index = 0; index < found->size(); ++index) {
    items.push_back(readItem((*found)[index], element(listPlace, index)));
  }
  return items;
}

// A scripted delay: the call waits `milliseconds` before it answers, on every call or only on
// the `onCall`-th one (counted from 1), as a slow or hung device would.
struct Delay {
  std::uint32_t milliseconds;
  std::uint32_t onCall;  // 0: every call
};

// A delay in milliseconds for every call, or {"milliseconds": N, "call": K} for the K-th call
// only: the form of a scripted failure.
Delay delayValue(const Json& value, const std::string& place);

// Waits out the delay when it applies to the call with this number.
void waitOut(const std::optional<Delay>& delay, std::uint32_t callNumber);

// A scripted crash: the call faults inside the library, on every call or only on the
// `onCall`-th one (counted from 1), as a driver with a fault of its own does.
struct Crash {
  std::uint32_t onCall;  // 0: every call
};

// true for every call, or {"call": K} for the K-th call only: the form of a scripted delay
// without its milliseconds.
Crash crashValue(const Json& value, const std::string& place);

// Crashes when the crash applies to the call with this number: a write through a null
// pointer that nothing in the library catches, so the process ends with an access violation
// (Windows: status 0xC0000005) or SIGSEGV (Linux).
void crashOn(const std::optional<Crash>& crash, std::uint32_t callNumber);

// True when each of the size bytes at start is zero: an output that a program hands over must
// come zeroed.
inline bool bytesZeroed(const void* start, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(start);
  return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
}

// Writes "<library>: <message>" as one line on standard error and ends the process at once
// with status 86, a status that no program here ends with, so that a broken test set-up never
// passes for a result of the program. <library> names the simulated library, such as
// "simulated ADL".
[[noreturn]] void endBrokenSetUp(std::string_view library, std::string_view message);

// The reaction to a bad scenario: endBrokenSetUp with "bad scenario: <place>: <problem>".
[[noreturn]] void endOnBadScenario(std::string_view library, const ScenarioError& error);

// The scenario of the file that the environment variable names, read by readFile(path); an unset
// variable, like any other ScenarioError, ends the process (endOnBadScenario).
template <typename ReadFile>
auto readConfiguredScenario(std::string_view library, const char* variable, ReadFile readFile) {
  try {
    const std::optional<std::string> path = environmentValue(variable);
    if (!path || path->empty()) fail(kScenarioRoot, std::string(variable) + " is not set");
    return readFile(*path);
  } catch (const ScenarioError& error) {
    endOnBadScenario(library, error);
  }
}

}  // namespace simulated
