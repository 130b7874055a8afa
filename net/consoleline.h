#pragma once
// Console lines of the transport and the scanner: each line is written in one piece and
// flushed, so lines from several threads never break into each other.

#include <string>

namespace brenmoor::net {

void printLine(const std::string& line);      // standard output
void printErrorLine(const std::string& line); // standard error

} // namespace brenmoor::net
