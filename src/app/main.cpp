#include "app/run_frame.h"

int main(int argc, char** argv) { return runProgram(argc, argv); }
