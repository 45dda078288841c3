#include "app/engines/util.h"
#include "tests/support/qt_printing.h"
#include "tests/support/test_data.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

TEST(CoordinateText, RecognisesAndParsesBothForms)
{
    const struct {
        const char *text;
        std::vector<double> point; // empty: not a coordinate pair
    } cases[] = {
        {"50.1, 14.4", {50.1, 14.4}},
        {"(50.1,14.4)", {50.1, 14.4}},
        {"50.1 ,14.4", {50.1, 14.4}},
        {"-0.5,-.5", {-0.5, -0.5}},
        {"50,1; 14,4", {50.1, 14.4}},
        {"(50,0755381; 14,4378005)", {50.0755381, 14.4378005}},
        {"(50.1,14.4", {50.1, 14.4}},
        {"50.1,14.4)", {50.1, 14.4}},
        {"  50.1   ,   14.4  ", {50.1, 14.4}},
        {"\t50.1\n,\t14.4\n", {50.1, 14.4}},
        {"50,14", {50.0, 14.0}},
        {"50;14", {50.0, 14.0}},
        {".5,.25", {0.5, 0.25}},
        {"-90,-180", {-90.0, -180.0}},
        {"50.1 14.4", {}},
        {"50,1, 14,4", {}},
        {"+50.1,14.4", {}},
        {"1e3,2", {}},
        {"50.1;14.4", {}},
        {"1.2e-05,14", {}},
        {"50.,14", {}},
        {"((50.1,14.4))", {}},
        {"50.1,14.4,3", {}},
        {"", {}},
        {" ", {}},
        {"Praha", {}},
        {"--50,14", {}},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(is_coord_string(text), !c.point.empty()) << c.text;
        const std::vector<double> parsed = coord_string_to_vector(text);
        ASSERT_EQ(parsed.size(), c.point.size()) << c.text;
        for (size_t i = 0; i < parsed.size(); ++i)
            EXPECT_DOUBLE_EQ(parsed[i], c.point[i]) << c.text;
    }
}

TEST(CoordinateText, WritesNineSignificantDigits)
{
    const struct {
        std::vector<double> point;
        const char *plain, *colon;
    } cases[] = {
        {{50.0755381, 14.4378005}, "(50.0755381,14.4378005)", "(50.0755381;14.4378005)"},
        {{50.07553812345, 14.4}, "(50.0755381,14.4)", "(50.0755381;14.4)"},
        {{50.0, 14.0}, "(50,14)", "(50;14)"},
        {{0.000012, -0.00001}, "(1.2e-05,-1e-05)", "(1.2e-05;-1e-05)"},
        {{-0.0, 0.0}, "(0,0)", "(0;0)"},
        {{-89.9999999999, 179.99999999}, "(-90,180)", "(-90;180)"},
        {{123456789012.0, 0.0001}, "(1.23456789e+11,0.0001)", "(1.23456789e+11;0.0001)"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(coord_vector_to_string(c.point), QString::fromUtf8(c.plain));
        EXPECT_EQ(coord_vector_to_colon_delimited_string(c.point), QString::fromUtf8(c.colon));
    }
}

TEST(CoordinateText, WrittenPairsReadBackUnlessTooCloseToZero)
{
    for (double lat : {50.0755381, -33.8688197, 0.0, 0.0001, -0.0001, 89.99}) {
        for (double lon : {14.4378005, -179.999, 0.0, 0.00012}) {
            const QString text = coord_vector_to_string({lat, lon});
            ASSERT_TRUE(is_coord_string(text)) << text.toStdString();
            const std::vector<double> back = coord_string_to_vector(text);
            ASSERT_EQ(back.size(), 2u);
            EXPECT_DOUBLE_EQ(back[0], lat);
            EXPECT_DOUBLE_EQ(back[1], lon);
        }
    }
    EXPECT_FALSE(is_coord_string(coord_vector_to_string({0.00001, 14.0})));
}

TEST(CoordinateText, LabelsLoseTheirCommas)
{
    EXPECT_EQ(coord_vector_w_label_to_string({50.5, 14.25}, QStringLiteral("Praha, centrum")),
              QStringLiteral("(50.5;14.25) | Praha centrum"));
    EXPECT_EQ(coord_vector_w_label_to_string({50.5, 14.25}, QString()), QStringLiteral("(50.5;14.25) | "));
    EXPECT_EQ(coord_vector_w_label_to_string({1, 2}, QStringLiteral(",a,,b,")), QStringLiteral("(1;2) | ab"));
}

TEST(CoordinateText, ServiceErrorsBecomeCzechMessages)
{
    EXPECT_EQ(generic_api_error_to_message(QStringLiteral("Access to this API has been disallowed")),
              QStringLiteral("Zvolený klíč k API je neplatný \u2013 na stránkách si můžete vytvořit nový."));
    EXPECT_EQ(generic_api_error_to_message(QStringLiteral("access to this API has been disallowed")),
              QStringLiteral("Zvolená služba odpověděla na váš požadavek chybou:\r\n"
                             "access to this API has been disallowed"));
    EXPECT_EQ(generic_api_error_to_message(QString()),
              QStringLiteral("Zvolená služba odpověděla na váš požadavek chybou:\r\n"));
}

TEST(CoordinateText, CzechLocaleChangesNothing)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    const char *c_locale = std::setlocale(LC_ALL, "cs_CZ.UTF-8");
    if (!c_locale && running_under_ci())
        ADD_FAILURE() << "the cs_CZ.UTF-8 locale is not installed";

    EXPECT_EQ(coord_vector_to_string({50.0755381, 14.4378005}), QStringLiteral("(50.0755381,14.4378005)"));
    EXPECT_EQ(coord_vector_to_colon_delimited_string({0.000012, 1.5}), QStringLiteral("(1.2e-05;1.5)"));
    EXPECT_EQ(coord_string_to_vector(QStringLiteral("50.5,14.25")), (std::vector<double>{50.5, 14.25}));
    EXPECT_EQ(coord_string_to_vector(QStringLiteral("50,5;14,25")), (std::vector<double>{50.5, 14.25}));

    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(previous);
}
