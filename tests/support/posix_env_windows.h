// posix_env_windows.h: the few POSIX calls the tests use to set up their
// surroundings (environment variables, a fresh temporary folder), on the C
// library of Windows. Included ahead of every test file of the Windows build.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <random>

inline int setenv(const char* name, const char* value, int overwrite)
{
    if (!overwrite && std::getenv(name))
        return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

// An empty value removes the variable on Windows.
inline int unsetenv(const char* name)
{
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

// The trailing "XXXXXX" of pattern replaced until a new folder can be made.
inline char* mkdtemp(char* pattern)
{
    const std::size_t length = std::strlen(pattern);
    if (length < 6 || std::strcmp(pattern + length - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::snprintf(pattern + length - 6, 7, "%06x", static_cast<unsigned>(seed()) & 0xFFFFFFu);
        if (_mkdir(pattern) == 0)
            return pattern;
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}
