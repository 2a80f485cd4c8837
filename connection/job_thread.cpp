#include "connection/job_thread.h"

#include "link/transfer_log.h"

JobThread::~JobThread()
{
    if (thread.joinable())
        thread.join();
}

void JobThread::Start(std::function<void()> work)
{
    if (thread.joinable())
        thread.join();
    thread = std::thread([work = std::move(work), connection = logConnection] {
        SetThreadLogConnection(connection);
        work();
    });
}
