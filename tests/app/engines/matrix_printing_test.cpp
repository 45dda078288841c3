#include "app/engines/util.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdio>
#include <string>

namespace {

// Captures what a printing function writes to its stream.
template <typename Print> std::string captured(Print print)
{
    FILE *file = std::tmpfile();
    print(file);
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text.push_back(char(c));
    std::fclose(file);
    return text;
}

} // namespace

TEST(MatrixPrinting, CsvRowsEndInCrLf)
{
    const struct {
        vector_2d_double points;
        vector_2d_int distances;
        std::string expected;
    } cases[] = {
        {{}, {}, ""},
        {{{1, 2}}, {{0}}, "0\r\n"},
        {{{1, 2}, {3, 4}}, {{0, 5}, {7, 0}}, "0,5\r\n7,0\r\n"},
        {{{1, 2}, {3, 4}, {5, 6}},
         {{0, -2, INT_MAX}, {-1, 0, 12345}, {1, 2, 0}},
         "0,-2,2147483647\r\n-1,0,12345\r\n1,2,0\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(captured([&](FILE *out) { print_point_distances_csv(c.points, c.distances, out); }), c.expected);
}

TEST(MatrixPrinting, VerboseLinesCoverEveryOrderedPair)
{
    const std::string text = captured([](FILE *out) {
        print_point_distances_verbosely({{50.5, 14.25}, {-1, 2}}, {{0, 12}, {13, 0}}, "test", out);
    });
    EXPECT_EQ(text, "[test] [(50.500000, 14.250000) -> (50.500000, 14.250000)] 0 meters.\r\n"
                    "[test] [(50.500000, 14.250000) -> (-1.000000, 2.000000)] 12 meters.\r\n"
                    "[test] [(-1.000000, 2.000000) -> (50.500000, 14.250000)] 13 meters.\r\n"
                    "[test] [(-1.000000, 2.000000) -> (-1.000000, 2.000000)] 0 meters.\r\n");
}

TEST(MatrixPrinting, CzechLocaleWritesNoDecimalComma)
{
    if (!std::setlocale(LC_ALL, "cs_CZ.UTF-8")) {
        if (running_under_ci())
            FAIL() << "the cs_CZ.UTF-8 locale is not installed";
        GTEST_SKIP() << "the cs_CZ.UTF-8 locale is not installed";
    }
    const std::string text = captured([](FILE *out) {
        print_point_distances_verbosely({{50.5, 14.25}, {1, 2}}, {{0, 1}, {1, 0}}, "cs", out);
    });
    std::setlocale(LC_ALL, "C");
    EXPECT_NE(text.find("(50.500000, 14.250000)"), std::string::npos) << text;
}
