#include "app/calculation_pool.h"

QThreadPool &calculation_pool()
{
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        created->setMaxThreadCount(1);
        return created;
    }();
    return *pool;
}
