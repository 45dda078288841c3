#ifndef TESTS_SUPPORT_TEST_DATA_H
#define TESTS_SUPPORT_TEST_DATA_H

#include <cstdlib>
#include <filesystem>
#include <string>

// Path of the real Monaco extract, or empty when it is missing.
inline std::string monaco_pbf_path()
{
    const std::filesystem::path path = std::filesystem::path(DISTAMATIC_TEST_DATA_DIR) / "monaco.osm.pbf";
    return std::filesystem::is_regular_file(path) ? path.string() : std::string();
}

// Under CI a missing extract or locale is a failure, not a skip.
inline bool running_under_ci()
{
    const char *ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0';
}

// Puts the extract's path into `variable`; skips the test when the file is missing, except under CI.
#define REQUIRE_MONACO_PBF(variable)                                                                                   \
    const std::string variable = monaco_pbf_path();                                                                    \
    if (variable.empty()) {                                                                                            \
        if (running_under_ci())                                                                                        \
            FAIL() << "monaco.osm.pbf is missing from the test data folder";                                           \
        else                                                                                                           \
            GTEST_SKIP() << "monaco.osm.pbf is missing from the test data folder";                                     \
    }

#endif
