#ifndef APP_ENGINES_REQUEST_TEXT_H
#define APP_ENGINES_REQUEST_TEXT_H

#include "app/engines/types.h"

#include <QString>
#include <QUrl>

// How the web engines write their requests.

// The server's base address as typed, then the path (which begins with '/'),
// joined with exactly one slash: a typed trailing slash would otherwise make
// "//table", which servers reject. Parsed tolerantly, so spaces and non-ASCII
// letters are percent-encoded.
QUrl service_url(const QString &serverUrl, const QString &path);

// Each point written into the pattern with %1 = longitude and %2 = latitude
// ('g', nine significant digits), joined by the separator.
QString lon_lat_list(const vector_2d_double &points, const QString &pattern, const QString &separator);

#endif
