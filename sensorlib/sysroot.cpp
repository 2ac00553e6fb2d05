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

SysRoot::SysRoot(std::string root) : m_root(std::move(root))
{
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
    if (m_root.empty())
        m_root = "/";
}

std::string SysRoot::path(const std::string &relative) const
{
    return m_root == "/" ? "/" + relative : m_root + "/" + relative;
}

bool SysRoot::exists(const std::string &relative) const
{
    struct stat info;
    return ::stat(path(relative).c_str(), &info) == 0;
}

bool SysRoot::readText(const std::string &relative, std::string *text, size_t limit) const
{
    const int fd = ::open(path(relative).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    text->clear();
    char buffer[4096];
    bool ok = true;
    while (text->size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - text->size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false; // EISDIR, EACCES on some attributes, EIO from a driver
            break;
        }
        if (got == 0)
            break;
        text->append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return ok;
}

bool SysRoot::readInteger(const std::string &relative, long long *value) const
{
    std::string text;
    return readText(relative, &text, 64) && parseInteger(text, value);
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
