#include "app/engines/request_text.h"

#include <QStringList>

QUrl service_url(const QString &serverUrl, const QString &path)
{
    QString base = serverUrl;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + path, QUrl::TolerantMode);
}

QString lon_lat_list(const vector_2d_double &points, const QString &pattern, const QString &separator)
{
    QStringList pairs;
    pairs.reserve(qsizetype(points.size()));
    for (const std::vector<double> &point : points)
        pairs.append(pattern.arg(point[1], 0, 'g', 9).arg(point[0], 0, 'g', 9));
    return pairs.join(separator);
}
