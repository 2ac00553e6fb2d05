#ifndef SYSROOT_H
#define SYSROOT_H

#include <string>
#include <vector>

// One attribute file kept open between passes: re-reading it from offset 0
// costs a fraction of open + read + close. Opened lazily, and again after a
// failure, so a file that appears later is picked up.
class Attribute
{
public:
    Attribute() = default;
    explicit Attribute(std::string path) : filePath(std::move(path)) {}
    ~Attribute();
    Attribute(const Attribute &) = delete;
    Attribute &operator=(const Attribute &) = delete;

    const std::string &path() const { return filePath; }
    // At most `limit` bytes from the start of the file.
    bool read(std::string *text, size_t limit);
    bool readInteger(long long *value);
    // The file from its start up to and including the first line that
    // begins with `key` (procfs generates only what is read).
    bool readUpTo(const std::string &key, std::string *text, size_t limit);

private:
    bool ensureOpen();
    void drop();
    std::string filePath;
    int fd = -1;
};

// Reads sysfs and procfs files below a root folder ("/" on a live system, a
// captured tree in tests). Paths are relative to the root. Only regular files
// are read, opened without blocking and without following a link in the last
// component; the folders on the way may be links, as sysfs class folders are.
class SysRoot
{
public:
    explicit SysRoot(std::string root);

    std::string path(const std::string &relative) const;
    // A regular file is there (a directory or FIFO is not).
    bool isFile(const std::string &relative) const;
    // Anything is there, even what this user may not read or open.
    bool exists(const std::string &relative) const;
    // At most `limit` bytes of the file; false when it cannot be read.
    bool readText(const std::string &relative, std::string *text, size_t limit = 4096) const;
    bool readInteger(const std::string &relative, long long *value) const;
    // Trimmed first line.
    bool readLine(const std::string &relative, std::string *line) const;
    // Entry names of a folder, sorted, without "." and "..".
    std::vector<std::string> list(const std::string &relative) const;
    // Last component of the resolved path ("0000:03:00.0" for a PCI device link).
    std::string resolvedName(const std::string &relative) const;

    // A regular file opened for reading without blocking; -1 otherwise.
    static int openRegular(const std::string &absolutePath);

private:
    std::string rootPath;
};

#endif // SYSROOT_H
