#include "app/arguments.h"
#include "app/run_frame.h"

int main(int argc, char** argv) { return runProgram(programArguments(argc, argv)); }
