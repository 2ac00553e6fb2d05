#include "sysroot.h"

#include "sensorcounters.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Reads from offset 0 until `limit` bytes, the end, or `done` says enough.
template <typename Done> bool preadFromStart(int fd, std::string *text, size_t limit, Done done)
{
    text->clear();
    char buffer[4096];
    while (text->size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - text->size());
        const ssize_t got = ::pread(fd, buffer, want, static_cast<off_t>(text->size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false; // EACCES on some attributes, EIO from a driver
        }
        if (got == 0)
            break;
        text->append(buffer, static_cast<size_t>(got));
        if (done(*text))
            break;
    }
    return true;
}

} // namespace

Attribute::~Attribute()
{
    drop();
}

void Attribute::drop()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool Attribute::ensureOpen()
{
    if (fd < 0 && !filePath.empty())
        fd = SysRoot::openRegular(filePath);
    return fd >= 0;
}

bool Attribute::read(std::string *text, size_t limit)
{
    if (!ensureOpen())
        return false;
    if (preadFromStart(fd, text, limit, [](const std::string &) { return false; }))
        return true;
    drop();
    return false;
}

bool Attribute::readInteger(long long *value)
{
    if (!ensureOpen())
        return false;
    char buffer[64];
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            drop();
            return false;
        }
        return parseInteger(std::string_view(buffer, static_cast<size_t>(got)), value);
    }
}

bool Attribute::readUpTo(const std::string &key, std::string *text, size_t limit)
{
    if (!ensureOpen())
        return false;
    const auto found = [&key](const std::string &sofar) {
        for (size_t start = 0; start < sofar.size();) {
            const size_t end = sofar.find('\n', start);
            if (end == std::string::npos)
                return false; // the line is not complete yet
            if (sofar.compare(start, key.size(), key) == 0)
                return true;
            start = end + 1;
        }
        return false;
    };
    if (preadFromStart(fd, text, limit, found))
        return true;
    drop();
    return false;
}

SysRoot::SysRoot(std::string root) : rootPath(std::move(root))
{
    while (rootPath.size() > 1 && rootPath.back() == '/')
        rootPath.pop_back();
    if (rootPath.empty())
        rootPath = "/";
}

std::string SysRoot::path(const std::string &relative) const
{
    return rootPath == "/" ? "/" + relative : rootPath + "/" + relative;
}

int SysRoot::openRegular(const std::string &absolutePath)
{
    // Non-blocking, so that a FIFO planted where an attribute belongs cannot
    // stall the pass; it is then refused as no regular file.
    const int fd = ::open(absolutePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SysRoot::isFile(const std::string &relative) const
{
    struct stat info;
    return ::lstat(path(relative).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool SysRoot::exists(const std::string &relative) const
{
    struct stat info;
    return ::stat(path(relative).c_str(), &info) == 0;
}

bool SysRoot::readText(const std::string &relative, std::string *text, size_t limit) const
{
    Attribute file(path(relative));
    return file.read(text, limit);
}

bool SysRoot::readInteger(const std::string &relative, long long *value) const
{
    Attribute file(path(relative));
    return file.readInteger(value);
}

bool SysRoot::readLine(const std::string &relative, std::string *line) const
{
    std::string text;
    if (!readText(relative, &text, 1024))
        return false;
    *line = std::string(trimmed(std::string_view(text).substr(0, text.find('\n'))));
    return true;
}

std::vector<std::string> SysRoot::list(const std::string &relative) const
{
    std::vector<std::string> names;
    DIR *dir = ::opendir(path(relative).c_str());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    // Natural order, so that hwmon10 follows hwmon9.
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        const size_t da = a.find_first_of("0123456789");
        const size_t db = b.find_first_of("0123456789");
        if (da != std::string::npos && db != std::string::npos && a.compare(0, da, b, 0, db) == 0) {
            const std::string na = a.substr(da), nb = b.substr(db);
            if (na.size() != nb.size())
                return na.size() < nb.size();
        }
        return a < b;
    });
    return names;
}

std::string SysRoot::resolvedName(const std::string &relative) const
{
    char resolved[PATH_MAX];
    if (!::realpath(path(relative).c_str(), resolved))
        return {};
    const std::string full = resolved;
    return full.substr(full.find_last_of('/') + 1);
}
