#include "app/engines/types.h"

#include <QMetaType>

void register_engine_meta_types()
{
    static const bool registered = [] {
        // Under the container names and under the aliases used in signal signatures.
        qRegisterMetaType<std::vector<double>>();
        qRegisterMetaType<std::vector<int>>();
        qRegisterMetaType<vector_2d_double>();
        qRegisterMetaType<vector_2d_int>();
        qRegisterMetaType<vector_2d_double>("vector_2d_double");
        qRegisterMetaType<vector_2d_int>("vector_2d_int");
        return true;
    }();
    (void)registered;
}
