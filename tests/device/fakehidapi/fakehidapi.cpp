// Test double for hidapi; see fakehid.h. Built twice: linked into tests as objects and,
// with FAKEHID_FROM_ENVIRONMENT, as a drop-in libhidapi-hidraw.so.0 for whole-program
// tests (one device 5131:2007 at "/dev/hidraw-fake0" unless FAKEHID_NO_DEVICE=1, or
// plugged FAKEHID_DEVICE_AFTER_MS after the first call; FAKEHID_STALLED_WRITES=<n>
// fails its first n writes with EPIPE; FAKEHID_WRITE_LOG=<file> gets one lower-case hex
// line per written report; with FAKEHID_PLUG_FILE=<file> the device is plugged while
// that file exists, and writes to it fail while it does not).
#include "fakehid.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

struct hid_device_
{
    std::string path;
    bool open = true;
    bool gone = false;
    bool failWrites = false;
    int writersInside = 0;
};

namespace {

constexpr std::chrono::seconds kGateSafetyLimit(10);

struct State
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<FakeHid::Device> devices;
    // Kept until reset, so that a call on a closed handle is caught rather than
    // touching freed memory.
    std::vector<std::unique_ptr<hid_device_>> handles;
    std::vector<FakeHid::CallRecord> calls;
    bool recordCalls = true;
    bool gateClosed = false;
    int parkedWriters = 0;
    size_t writesReturned = 0;
    int unsafeCallsInside = 0;
    std::string writeLogPath;
    std::string plugFilePath;
    // A device that is plugged in this long after the first call (whole-program tests).
    bool latePlugPending = false;
    std::chrono::steady_clock::time_point latePlugAt;
};

[[noreturn]] void fatal(const char *what)
{
    std::fprintf(stderr, "FAKEHID FAILURE: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void configureFromEnvironment(State *s)
{
#ifdef FAKEHID_FROM_ENVIRONMENT
    s->recordCalls = false; // a long run would grow the record without bound
    const char *noDevice = std::getenv("FAKEHID_NO_DEVICE");
    FakeHid::Device device;
    device.path = "/dev/hidraw-fake0";
    if (const char *stalls = std::getenv("FAKEHID_STALLED_WRITES"))
        device.stalledWrites = std::atoi(stalls);
    if (const char *late = std::getenv("FAKEHID_DEVICE_AFTER_MS")) {
        s->latePlugPending = true;
        s->latePlugAt =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(late));
    } else if (!noDevice || std::strcmp(noDevice, "1") != 0) {
        s->devices.push_back(device);
    }
    if (const char *log = std::getenv("FAKEHID_WRITE_LOG"))
        s->writeLogPath = log;
    if (const char *plug = std::getenv("FAKEHID_PLUG_FILE")) {
        s->plugFilePath = plug;
        s->devices.clear();
    }
#else
    (void)s;
#endif
}

// Never destroyed: a writer thread may still be inside hid_write while the process exits.
State &state()
{
    static State *s = [] {
        auto *created = new State;
        configureFromEnvironment(created);
        return created;
    }();
    return *s;
}

void record(State &s, FakeHid::CallRecord entry)
{
    if (!s.recordCalls)
        return;
    entry.thread = std::this_thread::get_id();
    entry.at = std::chrono::steady_clock::now();
    s.calls.push_back(std::move(entry));
}

FakeHid::CallRecord makeRecord(FakeHid::Call call, const hid_device_ *handle = nullptr)
{
    FakeHid::CallRecord entry{call, {}, {}, handle, {}, 0, 0, {}, 0};
    return entry;
}

// hidapi's init, exit, enumerate, open and close must never run at the same time.
class UnsafeCall
{
public:
    explicit UnsafeCall(const char *name) : name(name)
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (state().unsafeCallsInside++ > 0)
            fatal(name);
    }
    ~UnsafeCall()
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        --state().unsafeCallsInside;
    }
    UnsafeCall(const UnsafeCall &) = delete;
    UnsafeCall &operator=(const UnsafeCall &) = delete;

private:
    const char *name;
};

bool isKnownOpen(State &s, const hid_device_ *dev)
{
    if (!dev)
        return false;
    const auto it =
        std::find_if(s.handles.begin(), s.handles.end(),
                     [dev](const std::unique_ptr<hid_device_> &h) { return h.get() == dev; });
    return it != s.handles.end() && dev->open;
}

void appendWriteLog(const std::string &logPath, const unsigned char *data, size_t length)
{
    FILE *file = std::fopen(logPath.c_str(), "ab");
    if (!file)
        return;
    for (size_t i = 0; i < length; ++i)
        std::fprintf(file, "%02x", data[i]);
    std::fputc('\n', file);
    std::fclose(file);
}

bool plugFileExists(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

} // namespace

namespace FakeHid {

void reset()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.devices.clear();
    s.handles.clear();
    s.calls.clear();
    s.gateClosed = false;
    s.parkedWriters = 0;
    s.writesReturned = 0;
    s.changed.notify_all();
}

void setDevices(const std::vector<Device> &devices)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().devices = devices;
}

void unplug(const std::string &path)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.devices.erase(std::remove_if(s.devices.begin(), s.devices.end(),
                                   [&path](const Device &d) { return d.path == path; }),
                    s.devices.end());
    for (auto &handle : s.handles) {
        if (handle->path == path)
            handle->gone = true;
    }
}

void closeWriteGate()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().gateClosed = true;
}

void openWriteGate()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.gateClosed = false;
    s.changed.notify_all();
}

bool waitForBlockedWrite(std::chrono::milliseconds timeout)
{
    State &s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    return s.changed.wait_for(lock, timeout, [&s] { return s.parkedWriters > 0; });
}

bool waitForWrites(size_t count, std::chrono::milliseconds timeout)
{
    State &s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    return s.changed.wait_for(lock, timeout, [&s, count] { return s.writesReturned >= count; });
}

std::vector<CallRecord> calls()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls;
}

size_t countCalls(Call call)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    const auto &all = state().calls;
    return size_t(std::count_if(all.begin(), all.end(),
                                [call](const CallRecord &c) { return c.call == call; }));
}

std::vector<std::vector<unsigned char>> writtenReports()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    std::vector<std::vector<unsigned char>> reports;
    const auto &all = state().calls;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].call != Call::WriteEnd || all[i].result < 0)
            continue;
        // The matching begin is the latest one on the same handle.
        for (size_t j = i; j-- > 0;) {
            if (all[j].call == Call::WriteBegin && all[j].handle == all[i].handle) {
                reports.push_back(all[j].data);
                break;
            }
        }
    }
    return reports;
}

int openHandleCount()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return int(std::count_if(state().handles.begin(), state().handles.end(),
                             [](const std::unique_ptr<hid_device_> &h) { return h->open; }));
}

} // namespace FakeHid

extern "C" {

int HID_API_EXPORT hid_init(void)
{
    UnsafeCall guard("hid_init overlaps another hidapi call");
    std::lock_guard<std::mutex> lock(state().mutex);
    record(state(), makeRecord(FakeHid::Call::Init));
    return 0;
}

int HID_API_EXPORT hid_exit(void)
{
    UnsafeCall guard("hid_exit overlaps another hidapi call");
    std::lock_guard<std::mutex> lock(state().mutex);
    record(state(), makeRecord(FakeHid::Call::Exit));
    return 0;
}

struct hid_device_info HID_API_EXPORT *hid_enumerate(unsigned short vendor_id,
                                                     unsigned short product_id)
{
    UnsafeCall guard("hid_enumerate overlaps another hidapi call");
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHid::CallRecord entry = makeRecord(FakeHid::Call::Enumerate);
    entry.vendorId = vendor_id;
    entry.productId = product_id;
    record(s, entry);
    if (s.latePlugPending && std::chrono::steady_clock::now() >= s.latePlugAt) {
        s.latePlugPending = false;
        FakeHid::Device device;
        device.path = "/dev/hidraw-fake0";
        s.devices.push_back(device);
    }
    if (!s.plugFilePath.empty()) {
        s.devices.clear();
        if (plugFileExists(s.plugFilePath)) {
            FakeHid::Device device;
            device.path = "/dev/hidraw-fake0";
            s.devices.push_back(device);
        }
    }

    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const FakeHid::Device &device : s.devices) {
        if ((vendor_id && device.vendorId != vendor_id) ||
            (product_id && device.productId != product_id))
            continue;
        auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
        if (!info)
            break;
        info->path = device.nullPath ? nullptr : strdup(device.path.c_str());
        info->vendor_id = device.vendorId;
        info->product_id = device.productId;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void HID_API_EXPORT hid_free_enumeration(struct hid_device_info *devs)
{
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        record(state(), makeRecord(FakeHid::Call::FreeEnumeration));
    }
    while (devs) {
        hid_device_info *next = devs->next;
        std::free(devs->path);
        std::free(devs);
        devs = next;
    }
}

hid_device HID_API_EXPORT *hid_open(unsigned short, unsigned short, const wchar_t *)
{
    return nullptr;
}

hid_device HID_API_EXPORT *hid_open_path(const char *path)
{
    UnsafeCall guard("hid_open_path overlaps another hidapi call");
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHid::CallRecord entry = makeRecord(FakeHid::Call::OpenPath);
    entry.path = path ? path : "";
    entry.result = -1;

    const auto device =
        std::find_if(s.devices.begin(), s.devices.end(), [&entry](const FakeHid::Device &d) {
            return !d.nullPath && d.path == entry.path;
        });
    if (!path || device == s.devices.end() || device->failOpen) {
        record(s, entry);
        return nullptr;
    }
    auto handle = std::make_unique<hid_device_>();
    handle->path = entry.path;
    handle->failWrites = device->failWrites;
    entry.handle = handle.get();
    entry.result = 0;
    record(s, entry);
    s.handles.push_back(std::move(handle));
    return s.handles.back().get();
}

int HID_API_EXPORT hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    State &s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!isKnownOpen(s, dev))
        fatal("hid_write on a handle that is not open");
    if (dev->writersInside > 0)
        fatal("two hid_write calls overlap on one handle");
    if (!data)
        fatal("hid_write without data");
    ++dev->writersInside;
    FakeHid::CallRecord begin = makeRecord(FakeHid::Call::WriteBegin, dev);
    begin.data.assign(data, data + length);
    record(s, begin);

    if (s.gateClosed) {
        ++s.parkedWriters;
        s.changed.notify_all();
        s.changed.wait_for(lock, kGateSafetyLimit, [&s] { return !s.gateClosed; });
        --s.parkedWriters;
    }

    bool stalled = false;
    for (FakeHid::Device &device : s.devices) {
        if (device.path == dev->path && device.stalledWrites > 0 && !dev->gone) {
            --device.stalledWrites;
            stalled = true;
        }
    }
    if (!s.plugFilePath.empty() && !plugFileExists(s.plugFilePath))
        dev->gone = true;
    const bool fails = dev->gone || dev->failWrites || stalled;
    const int result = fails ? -1 : int(length);
    if (!fails && !s.writeLogPath.empty())
        appendWriteLog(s.writeLogPath, data, length);
    --dev->writersInside;
    ++s.writesReturned;
    FakeHid::CallRecord end = makeRecord(FakeHid::Call::WriteEnd, dev);
    end.result = result;
    record(s, end);
    s.changed.notify_all();
    lock.unlock();
    errno = stalled ? EPIPE : fails ? ENODEV : 0;
    return result;
}

int HID_API_EXPORT hid_read_timeout(hid_device *, unsigned char *, size_t, int)
{
    return -1;
}

int HID_API_EXPORT hid_read(hid_device *, unsigned char *, size_t)
{
    return -1;
}

int HID_API_EXPORT hid_set_nonblocking(hid_device *dev, int nonblock)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!isKnownOpen(s, dev))
        fatal("hid_set_nonblocking on a handle that is not open");
    FakeHid::CallRecord entry = makeRecord(FakeHid::Call::SetNonblocking, dev);
    entry.result = nonblock;
    record(s, entry);
    return 0;
}

int HID_API_EXPORT hid_send_feature_report(hid_device *, const unsigned char *, size_t)
{
    return -1;
}

int HID_API_EXPORT hid_get_feature_report(hid_device *, unsigned char *, size_t)
{
    return -1;
}

int HID_API_EXPORT hid_get_input_report(hid_device *, unsigned char *, size_t)
{
    return -1;
}

void HID_API_EXPORT hid_close(hid_device *dev)
{
    if (!dev)
        return; // hidapi ignores a null handle too
    UnsafeCall guard("hid_close overlaps another hidapi call");
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!isKnownOpen(s, dev))
        fatal("hid_close on a handle that is not open");
    if (dev->writersInside > 0)
        fatal("hid_close while hid_write runs on the same handle");
    dev->open = false;
    record(s, makeRecord(FakeHid::Call::Close, dev));
}

int HID_API_EXPORT hid_get_manufacturer_string(hid_device *, wchar_t *, size_t)
{
    return -1;
}

int HID_API_EXPORT hid_get_product_string(hid_device *, wchar_t *, size_t)
{
    return -1;
}

int HID_API_EXPORT hid_get_serial_number_string(hid_device *, wchar_t *, size_t)
{
    return -1;
}

struct hid_device_info HID_API_EXPORT *hid_get_device_info(hid_device *)
{
    return nullptr;
}

int HID_API_EXPORT hid_get_indexed_string(hid_device *, int, wchar_t *, size_t)
{
    return -1;
}

const wchar_t HID_API_EXPORT *hid_error(hid_device *)
{
    return L"fake hidapi";
}

const struct hid_api_version HID_API_EXPORT *hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

const char HID_API_EXPORT *hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

} // extern "C"
