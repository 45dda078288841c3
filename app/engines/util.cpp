#include "app/engines/util.h"

#include <QRegularExpression>
#include <QStringList>

#include <charconv>
#include <string>

namespace {

// Decimal point with a comma between the numbers, or decimal comma with a semicolon.
const QRegularExpression &point_pair_pattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\(?-?([0-9]+)?\\.?[0-9]+(\\s+)?,(\\s+)?-?([0-9]+)?\\.?[0-9]+\\)?$"));
    return pattern;
}

const QRegularExpression &comma_pair_pattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\(?-?([0-9]+)?,?[0-9]+(\\s+)?;(\\s+)?-?([0-9]+)?,?[0-9]+\\)?$"));
    return pattern;
}

// "%f" of the C locale, whatever locale the process runs under.
std::string fixed_six_decimals(double value)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

QString format_coordinate_pair(const std::vector<double> &point, const QString &pattern)
{
    return pattern.arg(point[0], 0, 'g', 9).arg(point[1], 0, 'g', 9);
}

} // namespace

bool is_coord_string(QString text)
{
    const QString s = text.simplified();
    return point_pair_pattern().match(s).hasMatch() || comma_pair_pattern().match(s).hasMatch();
}

std::vector<double> coord_string_to_vector(QString text)
{
    if (!is_coord_string(text))
        return {};

    static const QRegularExpression leading_bracket(QStringLiteral("^\\("));
    static const QRegularExpression trailing_bracket(QStringLiteral("\\)$"));
    QString s = text.simplified();
    const QRegularExpressionMatch leading = leading_bracket.match(s);
    if (leading.hasMatch())
        s.remove(leading.capturedStart(), leading.capturedLength());
    const QRegularExpressionMatch trailing = trailing_bracket.match(s);
    if (trailing.hasMatch())
        s.remove(trailing.capturedStart(), trailing.capturedLength());

    QStringList parts = s.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (parts.size() == 1) {
        parts = s.split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (parts.size() == 1)
            return {};
    }

    std::vector<double> point;
    point.reserve(parts.size());
    // A part that does not convert (a number beyond a double's range, which
    // toDouble turns into infinity) counts as 0.
    for (QString part : parts) {
        bool converted = false;
        const double value = part.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&converted);
        point.push_back(converted ? value : 0.0);
    }
    return point;
}

QString coord_vector_to_string(std::vector<double> point)
{
    return format_coordinate_pair(point, QStringLiteral("(%1,%2)"));
}

QString coord_vector_to_colon_delimited_string(std::vector<double> point)
{
    return format_coordinate_pair(point, QStringLiteral("(%1;%2)"));
}

QString coord_vector_w_label_to_string(std::vector<double> point, QString label)
{
    QString text = coord_vector_to_colon_delimited_string(point) + QStringLiteral(" | ");
    if (!label.isEmpty())
        text += label.remove(QLatin1Char(','));
    return text;
}

QString generic_api_error_to_message(QString text)
{
    if (text == QStringLiteral("Access to this API has been disallowed"))
        return QStringLiteral("Zvolený klíč k API je neplatný – na stránkách si můžete vytvořit nový.");
    return QStringLiteral("Zvolená služba odpověděla na váš požadavek chybou:\r\n") + text;
}

void print_point_distances_csv(vector_2d_double points, vector_2d_int distances, FILE *out)
{
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            if (j > 0)
                std::fputs(",", out);
            std::fprintf(out, "%i", distances[i][j]);
        }
        std::fputs("\r\n", out);
    }
}

void print_point_distances_verbosely(vector_2d_double points, vector_2d_int distances, const char *label, FILE *out)
{
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            std::fprintf(out, "[%s] [(%s, %s) -> (%s, %s)] %i meters.\r\n", label,
                         fixed_six_decimals(points[i][0]).c_str(), fixed_six_decimals(points[i][1]).c_str(),
                         fixed_six_decimals(points[j][0]).c_str(), fixed_six_decimals(points[j][1]).c_str(),
                         distances[i][j]);
        }
    }
}
