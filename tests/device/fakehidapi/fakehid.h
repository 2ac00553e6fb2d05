#ifndef FAKEHID_H
#define FAKEHID_H

// A scriptable stand-in for hidapi (the real <hidapi.h>, our implementation), linked
// into tests instead of the system library. It lists scripted devices, fails opens and
// writes on request, holds writes at a gate, records every call with its thread, and
// aborts loudly on misuse: hid_close during a hid_write, a write to a closed handle, or
// two of hidapi's non-thread-safe calls at once.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

struct hid_device_;

namespace FakeHid {

struct Device
{
    std::string path;
    unsigned short vendorId = 0x5131;
    unsigned short productId = 0x2007;
    bool failOpen = false;
    bool failWrites = false; // accepts the open, then fails every write with ENODEV
    bool nullPath = false;   // the record carries no path at all
    int stalledWrites = 0;   // so many writes fail with EPIPE (a stall), later ones work
};

enum class Call
{
    Init,
    Exit,
    Enumerate,
    FreeEnumeration,
    OpenPath,
    SetNonblocking,
    WriteBegin,
    WriteEnd,
    Close,
};

struct CallRecord
{
    Call call;
    std::thread::id thread;
    std::chrono::steady_clock::time_point at;
    const hid_device_ *handle = nullptr;
    std::string path;            // OpenPath: the path asked for
    unsigned short vendorId = 0; // Enumerate: the filter
    unsigned short productId = 0;
    std::vector<unsigned char> data; // WriteBegin: the bytes
    int result = 0;                  // OpenPath: 0 ok / -1; WriteEnd: hid_write's result
};

// Back to an empty device list, no gate, empty record. Handles from before become
// invalid, so call it only with no link open.
void reset();
void setDevices(const std::vector<Device> &devices);
// Unplugs a device: it is no longer listed and writes on its open handles fail (ENODEV).
void unplug(const std::string &path);

// While closed, hid_write waits at the gate (at most 10 s, so a faulty test cannot hang).
void closeWriteGate();
void openWriteGate();
// Waits until a writer is parked at the closed gate.
bool waitForBlockedWrite(std::chrono::milliseconds timeout);
// Waits until at least count hid_write calls have returned.
bool waitForWrites(size_t count, std::chrono::milliseconds timeout);

std::vector<CallRecord> calls();
size_t countCalls(Call call);
// The bytes of every hid_write that succeeded, in order.
std::vector<std::vector<unsigned char>> writtenReports();
int openHandleCount();

} // namespace FakeHid

#endif // FAKEHID_H
