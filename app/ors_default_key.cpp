#include "app/ors_default_key.h"

QString ors_default_api_key()
{
    return QStringLiteral(DISTAMATIC_ORS_DEFAULT_KEY);
}
