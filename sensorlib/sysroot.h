#ifndef SYSROOT_H
#define SYSROOT_H

#include <string>
#include <vector>

// Reads sysfs and procfs files below a root folder ("/" on a live system, a
// captured tree in tests). Paths are relative to the root.
class SysRoot
{
public:
    explicit SysRoot(std::string root);

    std::string path(const std::string &relative) const;
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

private:
    std::string m_root;
};

#endif // SYSROOT_H
