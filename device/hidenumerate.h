#ifndef HIDENUMERATE_H
#define HIDENUMERATE_H

struct hid_device_info;

// The device records to search for the display, to be freed with hid_free_enumeration.
// Linux asks hidapi for the display's IDs only: hidapi 0.13.1 can crash in a full walk
// when another hidraw device vanishes during it.
hid_device_info *enumerateHidCandidates(unsigned short vendorId, unsigned short productId);

#endif // HIDENUMERATE_H
