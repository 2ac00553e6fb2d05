#ifndef BOARDSENSOR_H
#define BOARDSENSOR_H

#include "discovery.h"

// The board sensor: the board's or chipset's temperature, the CPU fan on its
// header, and the memory clock. Empty when the board gives none of them.
Sensor boardSensor(Discovery &discovery);

#endif // BOARDSENSOR_H
