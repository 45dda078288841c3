#ifndef APP_ORS_DEFAULT_KEY_H
#define APP_ORS_DEFAULT_KEY_H

#include <QString>

// The OpenRouteService API key used while "Použít výchozí klíč API" is ticked,
// set at build time (CMake option DISTAMATIC_ORS_DEFAULT_KEY).
QString ors_default_api_key();

#endif
