#pragma once

// Marks a command as running for as long as the mark lives, however the command
// ends (a return, a failure).
class RunningMark {
public:
    explicit RunningMark(bool& running) : m_running(running) { m_running = true; }
    ~RunningMark() { m_running = false; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    bool& m_running;
};
