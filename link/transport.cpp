#include "link/transport.h"

namespace {

thread_local std::uint32_t threadPortError = 0;

} // namespace

void SetThreadPortError(std::uint32_t error)
{
    threadPortError = error;
}

std::uint32_t ThreadPortError()
{
    return threadPortError;
}

int BaudRate(BaudCode code)
{
    switch (code) {
    case BaudCode::B4800: return 4800;
    case BaudCode::B9600: return 9600;
    case BaudCode::B19200: return 19200;
    case BaudCode::B38400: return 38400;
    case BaudCode::B57600: return 57600;
    case BaudCode::B115200: return 115200;
    }
    return 0;
}
