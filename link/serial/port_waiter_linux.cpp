#include "link/serial/port_waiter.h"

#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

PortWaiter::PortWaiter() : wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PortWaiter::~PortWaiter()
{
    if (wakeFd >= 0)
        ::close(wakeFd);
}

bool PortWaiter::IsValid() const
{
    return wakeFd >= 0;
}

void PortWaiter::Wake()
{
    const std::uint64_t one = 1;
    // A full counter already means "woken"; nothing else can go wrong here.
    [[maybe_unused]] const auto n = ::write(wakeFd, &one, sizeof one);
}

PortReadiness PortWaiter::Wait(DeviceHandle device, bool wantRead, bool wantWrite,
                               std::chrono::milliseconds timeout)
{
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {device, 0, 0}};
    if (wantRead)
        fds[1].events |= POLLIN;
    if (wantWrite)
        fds[1].events |= POLLOUT;
    const int ms = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    PortReadiness ready;
    if (::poll(fds, 2, ms) <= 0)
        return ready;
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto n = ::read(wakeFd, &count, sizeof count);
        ready.woken = true;
    }
    ready.readable = (fds[1].revents & POLLIN) != 0;
    ready.writable = (fds[1].revents & POLLOUT) != 0;
    ready.hungUp = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    return ready;
}
