#ifndef TESTS_SUPPORT_TEST_DATA_H
#define TESTS_SUPPORT_TEST_DATA_H

#include <string>

// Path of the real Monaco extract, or empty when it is missing.
std::string monaco_pbf_path();
// True when running under CI, where a missing extract is a failure, not a skip.
bool running_under_ci();

// Puts the extract's path into `variable`; skips the test when the file is
// missing, except under CI, where that fails it.
#define REQUIRE_MONACO_PBF(variable)                                                                                   \
    const std::string variable = monaco_pbf_path();                                                                    \
    if (variable.empty()) {                                                                                            \
        if (running_under_ci())                                                                                        \
            FAIL() << "monaco.osm.pbf is missing from the test data folder";                                           \
        else                                                                                                           \
            GTEST_SKIP() << "monaco.osm.pbf is missing from the test data folder";                                     \
    }

#endif
