#include "net/consoleline.h"

#include <iostream>

namespace brenmoor::net {

void printLine(const std::string& line)
{
    std::cout << (line + '\n') << std::flush;
}

void printErrorLine(const std::string& line)
{
    std::cerr << (line + '\n') << std::flush;
}

} // namespace brenmoor::net
