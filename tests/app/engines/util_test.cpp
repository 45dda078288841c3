#include "app/engines/util.h"
#include "tests/support/qt_printing.h"
#include "tests/support/test_data.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdio>
#include <string>

namespace {

// Every case runs under a Czech locale, in Qt and in the C library: no decimal
// comma may reach the output.
struct CoordinateText : ::testing::Test
{
    CoordinateText()
    {
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
        EXPECT_TRUE(std::setlocale(LC_ALL, "cs_CZ.UTF-8") || !running_under_ci()) << "cs_CZ.UTF-8 is not installed";
    }
};

// What a printing function writes to its stream.
template <typename Print>
std::string captured(Print print)
{
    ::testing::internal::CaptureStdout();
    print(stdout);
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(CoordinateText, RecognisesAndParsesBothForms)
{
    const std::pair<const char *, std::vector<double>> cases[] = {
        {"50.1, 14.4", {50.1, 14.4}}, {"(50.1,14.4)", {50.1, 14.4}}, {"(50.1,14.4", {50.1, 14.4}},
        {"50.1,14.4)", {50.1, 14.4}}, {"(50,0755381; 14,4378005)", {50.0755381, 14.4378005}},
        {" \t50.1\n ,\t14.4\n", {50.1, 14.4}}, {"-0.5,-.5", {-0.5, -0.5}}, {".5,.25", {0.5, 0.25}},
        {"50,14", {50, 14}}, {"50;14", {50, 14}},
        // Not a pair:
        {"50.1 14.4", {}}, {"50,1, 14,4", {}}, {"50.1;14.4", {}}, {"+50.1,14.4", {}}, {"--50,14", {}},
        {"1e3,2", {}}, {"1.2e-05,14", {}}, {"50.,14", {}}, {"((50.1,14.4))", {}}, {"50.1,14.4,3", {}},
        {"", {}}, {"Praha", {}},
    };
    for (const auto &[text, point] : cases) {
        EXPECT_EQ(is_coord_string(QString::fromUtf8(text)), !point.empty()) << text;
        EXPECT_EQ(coord_string_to_vector(QString::fromUtf8(text)), point) << text;
    }
    // A number beyond the range of a double does not convert: 0, not infinity.
    EXPECT_EQ(coord_string_to_vector(QString(400, u'9') + QStringLiteral(",14")), (std::vector<double>{0, 14}));
}

TEST_F(CoordinateText, WritesNineSignificantDigitsWithoutCommasInLabels)
{
    const struct {
        std::vector<double> point;
        const char *plain, *colon;
    } cases[] = {
        {{50.07553812345, 14.4}, "(50.0755381,14.4)", "(50.0755381;14.4)"},
        {{50.0, 14.0}, "(50,14)", "(50;14)"},
        {{0.000012, -0.00001}, "(1.2e-05,-1e-05)", "(1.2e-05;-1e-05)"},
        {{-0.0, 0.0001}, "(0,0.0001)", "(0;0.0001)"},
        {{123456789012.0, -89.9999999999}, "(1.23456789e+11,-90)", "(1.23456789e+11;-90)"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(coord_vector_to_string(c.point), QString::fromUtf8(c.plain));
        EXPECT_EQ(coord_vector_to_colon_delimited_string(c.point), QString::fromUtf8(c.colon));
    }
    EXPECT_EQ(coord_vector_w_label_to_string({50.5, 14.25}, ",Praha,, centrum"), "(50.5;14.25) | Praha centrum");
    EXPECT_EQ(coord_vector_w_label_to_string({1, 2}, QString()), "(1;2) | ");
}

TEST_F(CoordinateText, PrintsMatricesByteForByte)
{
    EXPECT_EQ(captured([](FILE *out) { print_point_distances_csv({}, {}, out); }), "");
    EXPECT_EQ(captured([](FILE *out) {
                  print_point_distances_csv({{1, 2}, {3, 4}, {5, 6}}, {{0, -2, INT_MAX}, {-1, 0, 12345}, {1, 2, 0}},
                                            out);
              }),
              "0,-2,2147483647\r\n-1,0,12345\r\n1,2,0\r\n");
    EXPECT_EQ(captured([](FILE *out) {
                  print_point_distances_verbosely({{50.5, 14.25}, {-1, 2}}, {{0, 12}, {13, 0}}, "cs", out);
              }),
              "[cs] [(50.500000, 14.250000) -> (50.500000, 14.250000)] 0 meters.\r\n"
              "[cs] [(50.500000, 14.250000) -> (-1.000000, 2.000000)] 12 meters.\r\n"
              "[cs] [(-1.000000, 2.000000) -> (50.500000, 14.250000)] 13 meters.\r\n"
              "[cs] [(-1.000000, 2.000000) -> (-1.000000, 2.000000)] 0 meters.\r\n");
}

} // namespace
