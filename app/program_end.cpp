#include "app/program_end.h"

#include "app/calculation_pool.h"

#include <cstdio>
#include <cstdlib>

int end_program(int exitCode)
{
    if (calculation_pool().activeThreadCount() > 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
