// The program's entry: parses the command line, resolves file arguments and
// runs the per-input processing for each input.
#pragma once

// Runs the whole program and returns its exit code: 0 for a completed run or
// the version, 1 for the usage page, 2 for a missing selector, 3 when results
// were lost (output that could not be written, inputs that could not be
// worked on).
int run_vestrel(int argc, char** argv);
