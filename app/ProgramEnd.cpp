#include "app/ProgramEnd.h"
#include <cstdio>
#include <cstdlib>
#include <iostream>

void endProgramNow() {
    std::cout.flush();
    std::cerr.flush();
    std::clog.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}
