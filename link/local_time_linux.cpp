#include "link/local_time.h"

std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    if (!localtime_r(&when, &local))
        return std::tm{};
    return local;
}
