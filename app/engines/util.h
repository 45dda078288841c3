#ifndef APP_ENGINES_UTIL_H
#define APP_ENGINES_UTIL_H

#include "app/engines/types.h"

#include <QString>

#include <cstdio>

// How a location is written and read as text everywhere in the program.
// Coordinates are written with 'g' and nine significant digits, never with a
// decimal comma, whatever the locale.

// The text is a coordinate pair: "lat,lon" with decimal points or "lat;lon"
// with decimal commas, optionally in round brackets.
bool is_coord_string(QString text);
// {latitude, longitude} in the order typed, or empty when the text is not a pair.
std::vector<double> coord_string_to_vector(QString text);

// "(lat,lon)": table headers and the location list.
QString coord_vector_to_string(std::vector<double> point);
// "(lat;lon)": CSV labels, which must not contain a comma.
QString coord_vector_to_colon_delimited_string(std::vector<double> point);
// "(lat;lon) | label" with the label's commas removed.
QString coord_vector_w_label_to_string(std::vector<double> point, QString label);

// The message shown to the user for a service's "error" text.
QString generic_api_error_to_message(QString text);

// The bare matrix: values separated by ",", each row ended by CR LF.
void print_point_distances_csv(vector_2d_double points, vector_2d_int distances, FILE *out = stdout);
// One line per ordered pair; a diagnostic aid.
void print_point_distances_verbosely(vector_2d_double points, vector_2d_int distances, const char *label,
                                     FILE *out = stdout);

#endif
