#include "sim/fd_port.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// Long enough for a PC that polls its modem lines to see DTR low.
constexpr std::chrono::milliseconds kUndockedTime{600};

// How long a write may wait for room at the port before it fails.
constexpr std::chrono::milliseconds kWriteTimeout{3000};

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

bool MakeRaw(int fd, speed_t speed)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (speed != B0 && (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0))
        return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

void CloseKeepingErrno(int fd)
{
    const int error = errno;
    close(fd);
    errno = error;
}

} // namespace

FdPort::FdPort(int descriptor, bool pseudo) : fd(descriptor), pseudoTerminal(pseudo) {}

FdPort::~FdPort()
{
    close(fd);
}

std::unique_ptr<FdPort> FdPort::OpenPseudoTerminal(std::string* slavePath)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0)
        return nullptr;
    char name[256];
    // The master's settings are the slave's: the PC gets a raw line from the start.
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0 || !MakeRaw(master, B0)) {
        CloseKeepingErrno(master);
        return nullptr;
    }
    // Opened and closed once, the slave reads as hung up until the PC opens it,
    // which is how PeerPresent tells that a PC is there.
    const int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        CloseKeepingErrno(master);
        return nullptr;
    }
    close(slave);
    if (slavePath)
        *slavePath = name;
    return std::unique_ptr<FdPort>(new FdPort(master, true));
}

std::unique_ptr<FdPort> FdPort::OpenSerialDevice(const std::string& path, int baud)
{
    const speed_t speed = SpeedOf(baud);
    if (speed == B0) {
        errno = EINVAL;
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    if (!MakeRaw(fd, speed)) {
        CloseKeepingErrno(fd);
        return nullptr;
    }
    tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<FdPort>(new FdPort(fd, false));
}

bool FdPort::ShowDocking()
{
    if (pseudoTerminal)
        return false;
    int dtr = TIOCM_DTR;
    if (ioctl(fd, TIOCMBIC, &dtr) != 0)
        return false;
    std::this_thread::sleep_for(kUndockedTime);
    return ioctl(fd, TIOCMBIS, &dtr) == 0;
}

bool FdPort::SetCradleLines(bool docked)
{
    if (pseudoTerminal)
        return false;
    int dtr = TIOCM_DTR;
    return ioctl(fd, docked ? TIOCMBIS : TIOCMBIC, &dtr) == 0;
}

bool FdPort::PeerPresent() const
{
    if (!pseudoTerminal)
        return !gone.load();
    pollfd p{fd, 0, 0};
    return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

std::size_t FdPort::Read(std::uint8_t* buffer, std::size_t capacity,
                         std::chrono::milliseconds timeout)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0)
        return 0;
    if (p.revents & POLLIN) {
        const ssize_t n = read(fd, buffer, capacity);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return 0;
    }
    if (pseudoTerminal) {
        // No PC on the line: nothing can come before one opens it, and poll
        // would report the hang-up at once, so wait the time out here.
        std::this_thread::sleep_for(timeout);
        return 0;
    }
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL | POLLIN))
        gone.store(true);
    return 0;
}

bool FdPort::Write(std::span<const std::uint8_t> bytes)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + kWriteTimeout;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // Full: wait for room, unless nobody drains the line (a pseudo-terminal
        // whose PC has gone reports a hang-up, not room).
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLOUT, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
            !(p.revents & POLLOUT))
            return false;
    }
    return true;
}

void FdPort::Purge()
{
    std::uint8_t scrap[1024];
    while (read(fd, scrap, sizeof scrap) > 0) {
    }
}
