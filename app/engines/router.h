#ifndef APP_ENGINES_ROUTER_H
#define APP_ENGINES_ROUTER_H

#include "app/engines/types.h"

#include <QObject>
#include <QString>

// What an engine must have loaded before it can answer.
class MapData : public QObject
{
    Q_OBJECT

public:
    explicit MapData(bool travelByCar);

    // True selects the engine's car profile, false its pedestrian profile.
    bool travelByCar;

    // Makes the engine ready; the default has nothing to load.
    virtual bool loadMap();

signals:
    void mapDataFinished();
    void mapDataError(QString text);
    void mapDataProgress(float totalPercent, float percentIncrement, QString description);
};

// Turns a list of points into a distance matrix.
class Router : public QObject
{
    Q_OBJECT

public:
    Router();

    // Distance in whole metres from the first point to the second.
    virtual int pointDistance(double lat1, double lon1, double lat2, double lon2) = 0;
    // Fills the matrix one ordered pair at a time through pointDistance.
    virtual void calculateDistances(vector_2d_double points);

signals:
    void distancesCalculated(vector_2d_double points, vector_2d_int distances);
    void calculationError(QString text);
    void calculationProgress(float totalPercent, float percentIncrement, QString description);
};

// Turns an address text into a point.
class Addresser : public QObject
{
    Q_OBJECT

public:
    Addresser();

    virtual void locateAddress(QString address) = 0;

signals:
    void locationFound(std::vector<double> point, QString name);
    void locationError(QString message);
    void locationCancelled();
};

#endif
