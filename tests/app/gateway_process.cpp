// SPDX-License-Identifier: Apache-2.0
#include "gateway_process.h"

#include "gateway_launcher.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

using Clock = std::chrono::steady_clock;

/*
 * The command that runs program: the program itself, or in a cross build the
 * emulator that runs the test (CMAKE_CROSSCOMPILING_EMULATOR) with the
 * program as its argument, since the host cannot execute a target binary.
 * Null-terminated, for posix_spawn.
 */
std::vector<char*> launchCommand(const std::string& program, const std::vector<std::string>& args)
{
    static const char* const launcher[] = {QX_GATEWAY_LAUNCHER nullptr};
    std::vector<char*> argv;
    for (const char* const* arg = launcher; *arg != nullptr; ++arg)
        argv.push_back(const_cast<char*>(*arg));
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

} // namespace

bool RunsUnderEmulator()
{
    static const char* const launcher[] = {QX_GATEWAY_LAUNCHER nullptr};
    return launcher[0] != nullptr;
}

GatewayProcess::~GatewayProcess()
{
    if (child_ > 0 && !reaped_) {
        kill(child_, SIGKILL);
        waitExit(10000);
    }
    if (reader_.joinable())
        reader_.join();
}

namespace
{

/* environ with extra "NAME=value" entries, each replacing one of its name. */
std::vector<std::string> environmentWith(const std::vector<std::string>& extra)
{
    std::vector<std::string> all;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const auto& e : extra)
            replaced = replaced || e.compare(0, name.size(), name) == 0;
        if (!replaced)
            all.push_back(text);
    }
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

} // namespace

bool GatewayProcess::start(const std::string& program, const std::string& workDir,
                           const std::vector<std::string>& extraEnv,
                           const std::vector<std::string>& args)
{
    std::vector<std::string> environment = environmentWith(extraEnv);
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(&entry[0]);
    envp.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    /* posix_spawn keeps the child clear of this multi-threaded test process. */
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    std::vector<char*> argv = launchCommand(program, args);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    child_ = pid;
    reader_ = std::thread(&GatewayProcess::readLoop, this, fds[0]);
    return true;
}

void GatewayProcess::readLoop(int fd)
{
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        std::lock_guard<std::mutex> lock(mutex_);
        if (n <= 0) {
            if (!partial_.empty())
                lines_.push_back(partial_);
            partial_.clear();
            eof_ = true;
            changed_.notify_all();
            break;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                lines_.push_back(partial_);
                partial_.clear();
            } else {
                partial_ += buffer[i];
            }
        }
        changed_.notify_all();
    }
    close(fd);
}

bool GatewayProcess::waitFor(const std::string& text, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t scanned = cursor_;
    for (;;) {
        for (; scanned < lines_.size(); ++scanned) {
            if (lines_[scanned].find(text) != std::string::npos) {
                cursor_ = scanned + 1;
                return true;
            }
        }
        if (eof_ || Clock::now() >= deadline)
            return false;
        changed_.wait_until(lock, deadline);
    }
}

int GatewayProcess::waitExit(int timeoutMs)
{
    if (child_ <= 0)
        return -1;
    if (reaped_)
        return status_;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(child_, &status, WNOHANG);
        if (r == child_) {
            reaped_ = true;
            status_ = status;
            awaitConsoleEnd();
            return status;
        }
        if (r < 0 && errno != EINTR)
            return -1;
        if (Clock::now() >= deadline)
            return -1;
        usleep(10000);
    }
}

void GatewayProcess::awaitConsoleEnd()
{
    /* The child is gone, but the reader thread may not have read its last
     * lines yet; a test that looks at lines() right after the exit must see
     * them all. Bounded, in case something else still holds the pipe. */
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [this] { return eof_; });
}

bool GatewayProcess::signal(int sig)
{
    if (child_ <= 0 || reaped_)
        return false;
    return kill(child_, sig) == 0;
}

bool GatewayProcess::isRunning()
{
    return child_ > 0 && waitExit(0) == -1;
}

std::vector<std::string> GatewayProcess::lines()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string GatewayProcess::transcript()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::string all;
    for (const auto& line : lines_)
        all += line + "\n";
    if (!partial_.empty())
        all += partial_ + "(no newline yet)\n";
    return all;
}

int GatewayProcess::countFrom(size_t first, const std::string& text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (size_t i = first; i < lines_.size(); ++i)
        if (lines_[i].find(text) != std::string::npos)
            ++count;
    return count;
}

size_t GatewayProcess::cursor()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cursor_;
}

namespace
{

std::string firstLineOf(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

/* The status lines that tell why a thread did not act on a signal. */
std::string signalLinesOf(const std::string& statusPath)
{
    static const char* const wanted[] = {
        "State:", "SigPnd:", "ShdPnd:", "SigBlk:", "SigIgn:", "SigCgt:"};
    std::ifstream in(statusPath);
    std::string line, out;
    while (std::getline(in, line))
        for (const char* key : wanted)
            if (line.compare(0, strlen(key), key) == 0)
                out += "  " + line + "\n";
    return out;
}

/* The thread ids of a process, from /proc/<pid>/task; empty when it is gone. */
std::vector<pid_t> threadsOf(pid_t pid)
{
    std::vector<pid_t> threads;
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(taskDir.c_str());
    if (dir == nullptr)
        return threads;
    while (struct dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.')
            threads.push_back(static_cast<pid_t>(atoi(entry->d_name)));
    closedir(dir);
    return threads;
}

std::string taskPath(pid_t pid, pid_t thread)
{
    return "/proc/" + std::to_string(pid) + "/task/" + std::to_string(thread);
}

} // namespace

std::string GatewayProcess::threadStates()
{
    if (child_ <= 0 || reaped_)
        return std::string();
    std::ostringstream out;
    out << "threads of " << child_ << ":\n";
    for (pid_t thread : threadsOf(child_)) {
        const std::string task = taskPath(child_, thread);
        out << " " << thread << " " << firstLineOf(task + "/comm") << " waits in "
            << firstLineOf(task + "/wchan") << "\n"
            << signalLinesOf(task + "/status");
    }
    return out.str();
}

std::vector<std::pair<pid_t, uint64_t>> GatewayProcess::blockedSignals()
{
    std::vector<std::pair<pid_t, uint64_t>> masks;
    if (child_ <= 0 || reaped_)
        return masks;
    for (pid_t thread : threadsOf(child_)) {
        std::ifstream in(taskPath(child_, thread) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.compare(0, 7, "SigBlk:") == 0)
                masks.emplace_back(thread, std::stoull(line.substr(7), nullptr, 16));
    }
    return masks;
}

int exitCodeOf(int waitStatus)
{
    if (waitStatus < 0 || !WIFEXITED(waitStatus))
        return -1;
    return WEXITSTATUS(waitStatus);
}
