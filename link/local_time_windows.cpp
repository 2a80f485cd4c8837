#include "link/local_time.h"

#include <time.h>

std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    if (localtime_s(&local, &when) != 0)
        return std::tm{};
    return local;
}
