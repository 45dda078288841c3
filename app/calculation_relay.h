#ifndef APP_CALCULATION_RELAY_H
#define APP_CALCULATION_RELAY_H

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

signals:
    void routerCreated();
    void distancesCalculated(vector_2d_double points, vector_2d_int distances);
    void calculationProgress(float totalPercent, float percentIncrement, QString description);
    void calculationError(QString text);
};

#endif
