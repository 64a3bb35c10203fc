// The simulated libraries' scenario tests: scenario texts that must be refused, and what reading
// one reports.
#pragma once

#include <string>

#include "simulated/scenario_reading.h"

namespace simulated {

// A row of refused scenarios: the text, and a part of the problem that names its place.
struct RefusedCase {
  const char* name;
  std::string text;
  const char* problem;
};

// The ScenarioError's message of reading the text with read, or "accepted" when the text reads
// without one.
template <typename Read>
std::string problemOf(Read read, const std::string& text) {
  try {
    read(text);
    return "accepted";
  } catch (const ScenarioError& error) {
    return error.what();
  }
}

}  // namespace simulated
