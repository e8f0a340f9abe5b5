// Exports one function for the run-time loading tests.
extern "C" __attribute__((visibility("default"))) int VexlorTestAnswer() { return 42; }
