#include "connection/job_thread.h"

JobThread::~JobThread()
{
    if (thread.joinable())
        thread.join();
}

void JobThread::Start(std::function<void()> work)
{
    if (thread.joinable())
        thread.join();
    thread = std::thread(std::move(work));
}
