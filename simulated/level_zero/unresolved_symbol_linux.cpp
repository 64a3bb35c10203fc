// Linked only into the simulated loader of zeprobe's tests for a loader with a missing
// dependency: the call below names a function that no library defines. The dynamic linker must
// refuse such a library as it loads it, before the program binds or calls any of its functions.
extern "C" void simulatedFunctionOfAMissingDependency();

extern "C" void simulatedCallIntoAMissingDependency() {
  simulatedFunctionOfAMissingDependency();
}
