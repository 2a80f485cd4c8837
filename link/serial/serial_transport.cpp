#include "link/serial/serial_transport.h"

#include "link/event.h"
#include "link/link_status.h"
#include "link/serial/port_waiter.h"

#include <QAbstractEventDispatcher>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <thread>

namespace {

constexpr int kOpeningBaudRate = 115200;

// A port's I/O thread waits on the device itself (PortWaiter) and never runs a Qt
// event loop, which would need a QCoreApplication. QSerialPort still makes socket
// notifiers, which Qt accepts only in a thread with an event dispatcher: this one
// takes them and never dispatches anything.
class IdleDispatcher : public QAbstractEventDispatcher {
public:
    bool processEvents(QEventLoop::ProcessEventsFlags) override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, qint64, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return false; }
    bool unregisterTimers(QObject*) override { return false; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override {}
    void interrupt() override {}
};

std::uint32_t ErrorCode(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError: return 0;
    case QSerialPort::DeviceNotFoundError: return kSerialNoSuchDevice;
    case QSerialPort::PermissionError: return kSerialAccessDenied;
    case QSerialPort::ResourceError: return kLineGoneError;
    case QSerialPort::UnsupportedOperationError: return kSerialBadSetting;
    case QSerialPort::NotOpenError: return kSerialBadHandle;
    default: return kSerialFailure;
    }
}

bool ApplyLineSettings(QSerialPort& port, int baudRate)
{
    return port.setBaudRate(baudRate) && port.setDataBits(QSerialPort::Data8) &&
           port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

// How often the modem lines are looked at while nothing else happens.
constexpr std::chrono::milliseconds kModemLinePoll{250};

// After one of QSerialPort's zero-time waits: false when the device failed. A
// wait that found nothing to do reports a time-out, which is no failure.
bool PumpSucceeded(QSerialPort& port, bool pumped)
{
    const QSerialPort::SerialPortError error = port.error();
    port.clearError();
    return pumped || error == QSerialPort::NoError || error == QSerialPort::TimeoutError;
}

// 0 for "ttyS", 1 for "ttyUSB", 2 for "ttyACM", 3 for any other device.
int DeviceFamily(const std::string& path)
{
    static const char* const kFamilies[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    for (int i = 0; i < 3; ++i) {
        const std::size_t n = std::strlen(kFamilies[i]);
        if (path.compare(0, n, kFamilies[i]) == 0 && path.size() > n &&
            std::isdigit(static_cast<unsigned char>(path[n])))
            return i;
    }
    return 3;
}

// Compares runs of digits by value, everything else byte by byte.
bool NaturalLess(const std::string& a, const std::string& b)
{
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0)
                return c < 0;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

} // namespace

// One open device and its I/O thread. The I/O thread owns the QSerialPort; other
// threads hand it jobs and wait for them, and take received bytes from rx.
class SerialLine {
public:
    SerialLine(std::string path, std::chrono::milliseconds stallTimeout);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Starts the I/O thread, which opens the device; 0 or the error code.
    std::uint32_t Open();
    // 0 or the error code.
    std::uint32_t Configure(int baudRate);
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t& error);
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t capacity);
    std::uint32_t Purge();
    void SetReceiveEvent(Event* event);
    // Set whenever DSR or DCD rises (a terminal set into its cradle), on devices
    // that report their modem lines.
    void SetSignalEvent(Event* event);
    // Ends the I/O thread; later calls fail with kSerialBadHandle.
    void Close();

private:
    enum class JobKind { Configure, Purge, Write };
    // Lives on the caller's stack until done; written by the I/O thread under mutex.
    struct Job {
        JobKind kind;
        int baudRate = 0;
        const std::uint8_t* bytes = nullptr;
        std::uint32_t count = 0;
        bool done = false;
        std::uint32_t result = 0;
        std::uint32_t error = 0;
    };
    enum class State { Starting, Running, Stopped };

    // Returns once the I/O thread has finished the job (or refused it).
    void Submit(Job& job);
    void Finish(Job& job, std::uint32_t result, std::uint32_t error);
    // The I/O thread.
    void Run();
    void RunJob(QSerialPort& port, Job& job, Job*& writing);
    std::size_t InputRoom();
    void TakeInput(QSerialPort& port);
    void DiscardInput();
    // Looks at the modem lines; false once the device turns out not to report them.
    bool WatchModemLines(QSerialPort& port, QSerialPort::PinoutSignals& previous);

    const std::string path;
    const std::chrono::milliseconds stallTimeout;
    PortWaiter waiter;
    std::thread thread;
    std::mutex writeMutex; // one write at a time, whole

    std::mutex mutex; // guards the fields below and every Job handed over
    std::condition_variable changed;
    State state = State::Starting;
    bool stopRequested = false;
    std::uint32_t endError = 0; // why the I/O thread stopped: open failure, 107 or 6
    std::deque<Job*> jobs;

    std::mutex rxMutex; // guards the received bytes and the receive event
    std::vector<std::uint8_t> rx;
    std::size_t rxHead = 0; // rx[rxHead..] wait to be read
    Event* receiveEvent = nullptr;
    Event* signalEvent = nullptr; // guarded by rxMutex too
};

SerialLine::SerialLine(std::string devicePath, std::chrono::milliseconds stall)
    : path(std::move(devicePath)), stallTimeout(stall)
{
}

SerialLine::~SerialLine()
{
    Close();
}

std::uint32_t SerialLine::Open()
{
    if (!waiter.IsValid())
        return kSerialFailure;
    thread = std::thread([this] { Run(); });
    std::uint32_t error = 0;
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return state != State::Starting; });
        error = state == State::Running ? 0 : endError;
    }
    if (error != 0)
        thread.join();
    return error;
}

std::uint32_t SerialLine::Configure(int baudRate)
{
    Job job{JobKind::Configure, baudRate};
    Submit(job);
    return job.error;
}

std::uint32_t SerialLine::Write(const std::uint8_t* bytes, std::uint32_t count,
                                std::uint32_t& error)
{
    std::lock_guard hold(writeMutex);
    Job job{JobKind::Write, 0, bytes, count};
    Submit(job);
    error = job.error;
    return job.result;
}

std::uint32_t SerialLine::Read(std::uint8_t* buffer, std::uint32_t capacity)
{
    bool wake = false;
    std::size_t n = 0;
    {
        std::lock_guard lock(rxMutex);
        const std::size_t waiting = rx.size() - rxHead;
        n = std::min<std::size_t>(capacity, waiting);
        std::copy_n(rx.begin() + static_cast<std::ptrdiff_t>(rxHead), n, buffer);
        rxHead += n;
        if (rxHead == rx.size()) {
            rx.clear();
            rxHead = 0;
            if (receiveEvent)
                receiveEvent->Reset();
        }
        // The I/O thread stopped reading the device when the buffer filled up.
        wake = n > 0 && waiting >= kSerialReceiveLimit;
    }
    if (wake)
        waiter.Wake();
    return static_cast<std::uint32_t>(n);
}

std::uint32_t SerialLine::Purge()
{
    Job job{JobKind::Purge};
    Submit(job);
    return job.error;
}

void SerialLine::SetReceiveEvent(Event* event)
{
    std::lock_guard lock(rxMutex);
    receiveEvent = event;
    if (event && rx.size() > rxHead)
        event->Set();
}

void SerialLine::SetSignalEvent(Event* event)
{
    std::lock_guard lock(rxMutex);
    signalEvent = event;
}

bool SerialLine::WatchModemLines(QSerialPort& port, QSerialPort::PinoutSignals& previous)
{
    const QSerialPort::PinoutSignals now = port.pinoutSignals();
    // A pseudo-terminal, for one, has no modem lines to report.
    if (port.error() != QSerialPort::NoError) {
        port.clearError();
        return false;
    }
    const QSerialPort::PinoutSignals docking =
        QSerialPort::DataSetReadySignal | QSerialPort::DataCarrierDetectSignal;
    if ((now & ~previous) & docking) {
        std::lock_guard lock(rxMutex);
        if (signalEvent)
            signalEvent->Set();
    }
    previous = now;
    return true;
}

void SerialLine::Close()
{
    if (!thread.joinable())
        return;
    SetReceiveEvent(nullptr);
    SetSignalEvent(nullptr);
    {
        std::lock_guard lock(mutex);
        stopRequested = true;
    }
    waiter.Wake();
    thread.join();
}

void SerialLine::Submit(Job& job)
{
    {
        std::lock_guard lock(mutex);
        if (state != State::Running) {
            job.done = true;
            job.error = endError == kLineGoneError ? kLineGoneError : kSerialBadHandle;
            return;
        }
        jobs.push_back(&job);
    }
    waiter.Wake();
    std::unique_lock lock(mutex);
    changed.wait(lock, [&job] { return job.done; });
}

void SerialLine::Finish(Job& job, std::uint32_t result, std::uint32_t error)
{
    std::lock_guard lock(mutex);
    job.result = result;
    job.error = error;
    job.done = true;
    changed.notify_all();
}

void SerialLine::Run()
{
    QThread::currentThread()->setEventDispatcher(new IdleDispatcher);
    QSerialPort port;
    port.setPortName(QString::fromStdString(path));
    std::uint32_t error = 0;
    if (!ApplyLineSettings(port, kOpeningBaudRate) || !port.open(QIODevice::ReadWrite)) {
        error = ErrorCode(port.error());
        if (error == 0)
            error = kSerialFailure;
    }
    {
        std::lock_guard lock(mutex);
        state = error ? State::Stopped : State::Running;
        endError = error;
        changed.notify_all();
    }
    if (error)
        return;

    using Clock = std::chrono::steady_clock;
    Job* writing = nullptr;
    Clock::time_point lastProgress{};
    std::uint32_t stopError = kSerialBadHandle;
    // The lines as the port opened: a terminal already in its cradle is no docking.
    QSerialPort::PinoutSignals modemLines = QSerialPort::NoSignal;
    bool watchLines = WatchModemLines(port, modemLines);
    for (;;) {
        std::deque<Job*> batch;
        bool stop = false;
        {
            std::lock_guard lock(mutex);
            batch.swap(jobs);
            stop = stopRequested;
        }
        for (Job* job : batch) {
            const bool wasWriting = writing != nullptr;
            RunJob(port, *job, writing);
            if (!wasWriting && writing)
                lastProgress = Clock::now();
        }
        if (stop)
            break;

        auto timeout = std::chrono::milliseconds(-1);
        if (writing)
            timeout = std::max(std::chrono::milliseconds(0),
                               std::chrono::duration_cast<std::chrono::milliseconds>(
                                   lastProgress + stallTimeout - Clock::now()));
        // The system gives no notice of a modem-line change: they are polled.
        if (watchLines && (timeout < std::chrono::milliseconds(0) || timeout > kModemLinePoll))
            timeout = kModemLinePoll;
        const PortReadiness ready =
            waiter.Wait(port.handle(), InputRoom() > 0, port.bytesToWrite() > 0, timeout);
        if (ready.hungUp || (ready.readable && !PumpSucceeded(port, port.waitForReadyRead(0)))) {
            stopError = kLineGoneError;
            break;
        }
        if (ready.writable) {
            const qint64 before = port.bytesToWrite();
            if (!PumpSucceeded(port, port.waitForBytesWritten(0))) {
                stopError = kLineGoneError;
                break;
            }
            if (port.bytesToWrite() < before)
                lastProgress = Clock::now();
        }
        TakeInput(port);
        if (watchLines)
            watchLines = WatchModemLines(port, modemLines);
        if (!writing)
            continue;
        if (const qint64 left = port.bytesToWrite(); left == 0) {
            Finish(*writing, writing->count, 0);
            writing = nullptr;
        } else if (Clock::now() - lastProgress >= stallTimeout) {
            port.clear(QSerialPort::Output);
            Finish(*writing, writing->count - static_cast<std::uint32_t>(left),
                   kSerialWriteStalled);
            writing = nullptr;
        }
    }

    if (writing)
        Finish(*writing, writing->count - static_cast<std::uint32_t>(port.bytesToWrite()),
               stopError);
    port.close();
    std::lock_guard lock(mutex);
    state = State::Stopped;
    endError = stopError;
    for (Job* job : jobs) {
        job->error = stopError;
        job->done = true;
    }
    jobs.clear();
    changed.notify_all();
}

void SerialLine::RunJob(QSerialPort& port, Job& job, Job*& writing)
{
    switch (job.kind) {
    case JobKind::Configure:
        if (ApplyLineSettings(port, job.baudRate)) {
            Finish(job, 0, 0);
        } else {
            const std::uint32_t error = ErrorCode(port.error());
            port.clearError();
            Finish(job, 0, error ? error : kSerialBadSetting);
        }
        return;
    case JobKind::Purge:
        port.clear(QSerialPort::Input);
        DiscardInput();
        Finish(job, 0, 0);
        return;
    case JobKind::Write:
        if (port.write(reinterpret_cast<const char*>(job.bytes), job.count) !=
            static_cast<qint64>(job.count)) {
            const std::uint32_t error = ErrorCode(port.error());
            port.clearError();
            Finish(job, 0, error ? error : kSerialFailure);
            return;
        }
        writing = &job;
        return;
    }
}

std::size_t SerialLine::InputRoom()
{
    std::lock_guard lock(rxMutex);
    const std::size_t waiting = rx.size() - rxHead;
    return waiting < kSerialReceiveLimit ? kSerialReceiveLimit - waiting : 0;
}

void SerialLine::TakeInput(QSerialPort& port)
{
    // Until QSerialPort holds nothing or rx is full: a PortRead that finds rx
    // short of full does not wake this thread, and the device may stay silent.
    for (;;) {
        const qint64 available = port.bytesAvailable();
        const std::size_t room = InputRoom();
        if (available <= 0 || room == 0)
            return;
        const QByteArray bytes =
            port.read(static_cast<qint64>(std::min<std::size_t>(available, room)));
        if (bytes.isEmpty())
            return;
        std::lock_guard lock(rxMutex);
        if (rxHead > 0 && rxHead >= rx.size() / 2) {
            rx.erase(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(rxHead));
            rxHead = 0;
        }
        rx.insert(rx.end(), bytes.begin(), bytes.end());
        if (receiveEvent)
            receiveEvent->Set();
    }
}

void SerialLine::DiscardInput()
{
    std::lock_guard lock(rxMutex);
    rx.clear();
    rxHead = 0;
    if (receiveEvent)
        receiveEvent->Reset();
}

SerialTransport::SerialTransport(QSettings* userSettings, SerialOptions serialOptions)
    : settings(userSettings), options(std::move(serialOptions))
{
    if (!settings) {
        ownSettings = std::make_unique<QSettings>("TELMARQ SOFTWARE", "KVVidiRidoved");
        settings = ownSettings.get();
    }
    Refresh();
}

SerialTransport::~SerialTransport()
{
    std::map<PortHandle, std::shared_ptr<SerialLine>> open;
    {
        std::lock_guard lock(mutex);
        open.swap(lines);
    }
    for (auto& [handle, line] : open)
        line->Close();
}

void SerialTransport::Refresh()
{
    std::vector<std::string> paths =
        options.listDevices ? options.listDevices() : SystemSerialDevices();
    SortDevicePaths(paths);
    for (const std::string& extra : ExtraPaths())
        if (std::find(paths.begin(), paths.end(), extra) == paths.end())
            paths.push_back(extra);
    std::lock_guard lock(mutex);
    list = std::move(paths);
}

std::string SerialTransport::ComPortPath(int number)
{
    if (number < 1)
        return {};
    const std::string mapped = SettingsText("COM" + std::to_string(number));
    return mapped.empty() ? "/dev/ttyS" + std::to_string(number - 1) : mapped;
}

PortHandle SerialTransport::OpenDevice(const std::string& path)
{
    if (path.empty()) {
        SetThreadPortError(kSerialNoSuchDevice);
        return kNoPort;
    }
    auto line = std::make_shared<SerialLine>(path, options.writeStallTimeout);
    if (const std::uint32_t error = line->Open(); error != 0) {
        SetThreadPortError(error);
        return kNoPort;
    }
    std::lock_guard lock(mutex);
    const PortHandle handle = nextHandle++;
    lines.emplace(handle, std::move(line));
    return handle;
}

std::uint32_t SerialTransport::ConfigureLine(PortHandle port, BaudCode baud)
{
    const auto line = LineOf(port);
    const int rate = BaudRate(baud);
    std::uint32_t error = kSerialBadHandle;
    if (line)
        error = rate == 0 ? kSerialBadSetting : line->Configure(rate);
    if (error != 0)
        SetThreadPortError(error);
    return error;
}

PortHandle SerialTransport::PortOpen(PortKind kind, int numberOrIndex, const std::string& name)
{
    std::string path;
    if (kind == PortKind::SerialNumber) {
        path = ComPortPath(numberOrIndex);
    } else if (kind == PortKind::DevicePath) {
        path = name;
    } else if (kind == PortKind::ListIndex) {
        std::lock_guard lock(mutex);
        if (numberOrIndex >= 1 && numberOrIndex <= static_cast<int>(list.size()))
            path = list[static_cast<std::size_t>(numberOrIndex - 1)];
    }
    return OpenDevice(path);
}

void SerialTransport::PortClose(PortHandle port)
{
    std::shared_ptr<SerialLine> line;
    {
        std::lock_guard lock(mutex);
        const auto it = lines.find(port);
        if (it == lines.end())
            return;
        line = std::move(it->second);
        lines.erase(it);
    }
    line->Close();
}

int SerialTransport::PortCount()
{
    Refresh();
    std::lock_guard lock(mutex);
    return static_cast<int>(list.size());
}

int SerialTransport::PortNameLength()
{
    std::lock_guard lock(mutex);
    std::size_t longest = 0;
    for (const std::string& name : list)
        longest = std::max(longest, name.size());
    return static_cast<int>(longest + 1);
}

void SerialTransport::PortName(int index, char* buffer, std::uint32_t* length)
{
    std::string name;
    {
        std::lock_guard lock(mutex);
        if (index >= 0 && index < static_cast<int>(list.size()))
            name = list[static_cast<std::size_t>(index)];
    }
    CopyPortName(name, buffer, length);
}

void SerialTransport::PortConfigure(PortHandle port, BaudCode baud, int, int, int, int)
{
    ConfigureLine(port, baud);
}

void SerialTransport::PortSetReceiveEvent(PortHandle port, Event* event)
{
    if (const auto line = LineOf(port))
        line->SetReceiveEvent(event);
    else
        SetThreadPortError(kSerialBadHandle);
}

void SerialTransport::PortSetSignalEvent(PortHandle port, Event* event)
{
    if (const auto line = LineOf(port))
        line->SetSignalEvent(event);
    else
        SetThreadPortError(kSerialBadHandle);
}

std::uint32_t SerialTransport::PortWrite(PortHandle port, std::uint32_t count,
                                         const std::uint8_t* bytes)
{
    const auto line = LineOf(port);
    if (!line) {
        SetThreadPortError(kSerialBadHandle);
        return 0;
    }
    if (count == 0)
        return 0;
    std::uint32_t error = 0;
    const std::uint32_t written = line->Write(bytes, count, error);
    if (written != count)
        SetThreadPortError(error ? error : kSerialFailure);
    return written;
}

std::uint32_t SerialTransport::PortRead(PortHandle port, std::uint8_t* buffer,
                                        std::uint32_t capacity)
{
    const auto line = LineOf(port);
    return line && buffer ? line->Read(buffer, capacity) : 0;
}

void SerialTransport::PortPurge(PortHandle port)
{
    const auto line = LineOf(port);
    const std::uint32_t error = line ? line->Purge() : kSerialBadHandle;
    if (error != 0)
        SetThreadPortError(error);
}

std::uint32_t SerialTransport::PortLastError()
{
    return ThreadPortError();
}

std::shared_ptr<SerialLine> SerialTransport::LineOf(PortHandle port)
{
    std::lock_guard lock(mutex);
    const auto it = lines.find(port);
    return it == lines.end() ? nullptr : it->second;
}

std::string SerialTransport::SettingsText(const std::string& key)
{
    std::lock_guard lock(settingsMutex);
    settings->sync();
    return settings->value(QString::fromStdString("Ports/" + key))
        .toString()
        .trimmed()
        .toStdString();
}

std::vector<std::string> SerialTransport::ExtraPaths()
{
    QStringList values;
    {
        std::lock_guard lock(settingsMutex);
        settings->sync();
        values = settings->value("Ports/Extra").toStringList();
    }
    std::vector<std::string> paths;
    for (const QString& value : values)
        if (const QString path = value.trimmed(); !path.isEmpty())
            paths.push_back(path.toStdString());
    return paths;
}

std::vector<std::string> SystemSerialDevices()
{
    // One list at a time in the process: libudev, below Qt's list, sets up
    // state it shares between threads (kvctl watch lists from one per port).
    static std::mutex listing;
    const std::lock_guard lock(listing);
    std::vector<std::string> paths;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        paths.push_back(info.systemLocation().toStdString());
    return paths;
}

void SortDevicePaths(std::vector<std::string>& paths)
{
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        const int fa = DeviceFamily(a), fb = DeviceFamily(b);
        return fa != fb ? fa < fb : NaturalLess(a, b);
    });
}

void CopyPortName(const std::string& name, char* buffer, std::uint32_t* length)
{
    if (!buffer || !length || *length == 0)
        return;
    const std::size_t n = std::min<std::size_t>(name.size(), *length - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    *length = static_cast<std::uint32_t>(name.size());
}
