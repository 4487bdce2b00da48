#pragma once

// One whole run in the current directory; returns the process exit code.
int runProgram(int argc, char** argv);
