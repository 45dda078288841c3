#include "tests/support/test_data.h"

#include <cstdlib>
#include <filesystem>

std::string monaco_pbf_path()
{
    const std::filesystem::path path = std::filesystem::path(DISTAMATIC_TEST_DATA_DIR) / "monaco.osm.pbf";
    return std::filesystem::is_regular_file(path) ? path.string() : std::string();
}

bool running_under_ci()
{
    const char *ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0';
}
