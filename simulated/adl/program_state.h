// What the simulated display library observes about the program that loaded it, for the
// checks a golden run cannot make from the program's output alone.
#pragma once

namespace simulated_adl {

// Null when the program prepared its process before it loaded the library; otherwise what it
// left undone (on Windows: system error dialogs still switched on).
const char* loadingProblem();

}  // namespace simulated_adl
