#include "app/engines/router.h"

MapData::MapData(bool travelByCar) : QObject(nullptr), travelByCar(travelByCar)
{
    register_engine_meta_types();
}

bool MapData::loadMap()
{
    emit mapDataFinished();
    return true;
}

Router::Router() : QObject(nullptr)
{
    register_engine_meta_types();
}

void Router::calculateDistances(vector_2d_double points)
{
    const QString description = QStringLiteral("Počítání vzdáleností…");
    const size_t n = points.size();
    // With no points there are no rows, so the increment is never used.
    const float increment = n == 0 ? 0.0f : static_cast<float>(50 / static_cast<long long>(n));

    emit calculationProgress(50.0f, 0.0f, description);

    vector_2d_int matrix;
    matrix.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        std::vector<int> row(n, 0);
        for (size_t j = 0; j < n; ++j) {
            if (i != j)
                row[j] = pointDistance(points[i][0], points[i][1], points[j][0], points[j][1]);
        }
        matrix.push_back(std::move(row));
        emit calculationProgress(0.0f, increment, description);
    }

    emit distancesCalculated(points, matrix);
}

Addresser::Addresser() : QObject(nullptr)
{
    register_engine_meta_types();
}
