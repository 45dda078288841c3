#include "app/program_end.h"

#include <QThreadPool>

#include <cstdio>
#include <cstdlib>

int end_program(int exitCode)
{
    if (QThreadPool::globalInstance()->activeThreadCount() > 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
