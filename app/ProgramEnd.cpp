#include "app/ProgramEnd.h"
#include "fs/TemporaryFiles.h"
#include <cstdio>
#include <cstdlib>
#include <iostream>

void endProgramNow() {
    endProgramWith(0);
}

void endProgramWith(int code) {
    // No destructor runs from here on: the parts of downloads still being written go
    // now, but for the large ones kept to be continued by the next copy.
    TemporaryFiles::removeAllNotKept();
    std::cout.flush();
    std::cerr.flush();
    std::clog.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}
