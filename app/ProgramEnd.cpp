#include "app/ProgramEnd.h"
#include <cstdio>
#include <cstdlib>
#include <iostream>

void endProgramNow() {
    endProgramWith(0);
}

void endProgramWith(int code) {
    std::cout.flush();
    std::cerr.flush();
    std::clog.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}
