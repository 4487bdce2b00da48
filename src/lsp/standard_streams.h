// The protocol's bytes pass standard input and output unchanged: counted lengths
// break if a line feed becomes CR LF on the way.
#pragma once

// Puts standard input and output in binary mode where the C runtime translates line
// ends (Windows); nothing elsewhere.
void useBinaryStandardStreams();
