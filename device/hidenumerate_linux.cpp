#include "hidenumerate.h"

#include <hidapi.h>

hid_device_info *enumerateHidCandidates(unsigned short vendorId, unsigned short productId)
{
    return hid_enumerate(vendorId, productId);
}
