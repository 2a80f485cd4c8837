// sys/resource.h for the Windows build of the tests: Windows has no file size
// limit, so the limit is never lowered. Tests that need it are left out there.
#pragma once

using rlim_t = unsigned long long;
struct rlimit {
    rlim_t rlim_cur;
    rlim_t rlim_max;
};
inline constexpr int RLIMIT_FSIZE = 1;
#ifndef SIGXFSZ
#define SIGXFSZ 25
#endif

inline int getrlimit(int, rlimit* limit)
{
    *limit = {~rlim_t{0}, ~rlim_t{0}};
    return 0;
}
inline int setrlimit(int, const rlimit*)
{
    return -1;
}
