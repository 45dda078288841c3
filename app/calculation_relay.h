#ifndef APP_CALCULATION_RELAY_H
#define APP_CALCULATION_RELAY_H

#include "app/engines/router.h"
#include "app/engines/types.h"

#include <QObject>
#include <QString>

// The GUI thread's end of one calculation. The worker's router reports to the
// relay, whose signals reach the window queued on the GUI thread. The worker
// shares ownership of the relay, so it never refers to the window itself,
// which may be closed and destroyed while the worker still runs.
class CalculationRelay : public QObject
{
    Q_OBJECT

public:
    // Passes a map data object's loading reports on to the window; its
    // progress is shown as a calculation's.
    void connectMapData(MapData *mapData)
    {
        connect(mapData, &MapData::mapDataError, this, &CalculationRelay::mapDataError);
        connect(mapData, &MapData::mapDataProgress, this, &CalculationRelay::calculationProgress);
        connect(mapData, &MapData::mapDataFinished, this, &CalculationRelay::mapDataFinished);
    }

    // Passes a router's results, progress and errors on to the window.
    void connectRouter(Router *router)
    {
        connect(router, &Router::distancesCalculated, this, &CalculationRelay::distancesCalculated);
        connect(router, &Router::calculationProgress, this, &CalculationRelay::calculationProgress);
        connect(router, &Router::calculationError, this, &CalculationRelay::calculationError);
    }

signals:
    void routerCreated();
    void distancesCalculated(vector_2d_double points, vector_2d_int distances);
    void calculationProgress(float totalPercent, float percentIncrement, QString description);
    void calculationError(QString text);
    void mapDataError(QString text);
    void mapDataFinished();
};

#endif
