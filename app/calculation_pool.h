#ifndef APP_CALCULATION_POOL_H
#define APP_CALCULATION_POOL_H

#include <QThreadPool>

// The one thread that runs calculations. Qt's global pool also serves Qt's
// own work (the raster engine paints large areas on it), so a calculation
// there could wait behind painting and would be handed over through Qt's
// internal queue, which ThreadSanitizer cannot follow. This pool runs nothing
// else; it outlives every window, so closing one never waits for a
// calculation.
QThreadPool &calculation_pool();

#endif
