// job_thread.h: the thread of a connection's one transfer job. The GUI thread
// starts it; whoever ends the connection marks it abandoned and joins it on the
// reaper's thread, before the link the job uses is destroyed.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class JobThread {
public:
    JobThread() = default;
    // Joins the thread. Never run this where the job could be waiting (the GUI
    // thread while the job runs): the reaper does it.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // GUI thread. The connection's name that the next jobs' log lines carry.
    void SetLogConnection(std::string name) { logConnection = std::move(name); }
    // GUI thread. Runs work on a new thread. The previous job must have ended
    // (it posts its end as its last act), so joining it does not wait.
    void Start(std::function<void()> work);
    // Any thread. The connection is closing: the job asks nothing more.
    void Abandon() { abandoned.store(true); }
    bool Abandoned() const { return abandoned.load(); }

private:
    std::atomic<bool> abandoned{false};
    std::string logConnection;
    std::thread thread;
};
