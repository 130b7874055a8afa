#include "net/arphelper.h"

#include "net/sweepplan.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brenmoor::net {

namespace {

// The helper's exit status when it may not open its raw socket (2: an argument refused).
constexpr int kExitNotPermitted = 3;
// Its output is bounded by the helper; this bounds what a broken one could make us hold.
constexpr size_t kMaxOutputBytes = 2 << 20;
constexpr size_t kMaxProblemBytes = 512;
// Beyond its wait the helper only writes its last line and exits.
constexpr std::chrono::milliseconds kGrace{2000};

bool isExecutableFile(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string ownFolder()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    std::string text(path, static_cast<size_t>(length));
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

// Consecutive addresses as one range: a /22 is one argument, not a thousand.
std::vector<std::string> targetArguments(std::vector<uint32_t> targets)
{
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    std::vector<std::string> arguments;
    for (size_t i = 0; i < targets.size();) {
        size_t last = i;
        while (last + 1 < targets.size() && targets[last + 1] == targets[last] + 1)
            ++last;
        arguments.push_back(last == i ? ipv4Text(targets[i]) : ipv4Text(targets[i]) + "-" + ipv4Text(targets[last]));
        i = last + 1;
    }
    return arguments;
}

bool isMacText(const std::string& text)
{
    if (text.size() != 17)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = i % 3 == 2 ? c == ':' : ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
        if (!ok)
            return false;
    }
    return true;
}

bool parseCount(const std::string& text, unsigned& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = static_cast<unsigned>(std::stoul(text));
    return true;
}

// One child process with its two pipes.
struct Child
{
    pid_t pid = -1;
    int out = -1;
    int err = -1;
    std::string output;
    std::string errors;
    int spawnError = 0;
    bool killed = false;
};

Child spawnHelper(const std::string& helper, const ArpJob& job, std::chrono::milliseconds wait)
{
    Child child;
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        child.spawnError = errno;
        for (const int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd >= 0)
                close(fd);
        return child;
    }
    std::vector<std::string> arguments{helper, job.link, std::to_string(wait.count())};
    for (std::string& target : targetArguments(job.targets))
        arguments.push_back(std::move(target));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    char* noEnvironment[] = {nullptr}; // the helper reads none

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Nothing of the window's (its sockets, its pipes) goes with it, close-on-exec or not.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    pid_t pid = -1;
    child.spawnError = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv.data(), noEnvironment);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (child.spawnError != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return child;
    }
    child.pid = pid;
    child.out = outPipe[0];
    child.err = errPipe[0];
    fcntl(child.out, F_SETFL, fcntl(child.out, F_GETFL, 0) | O_NONBLOCK);
    fcntl(child.err, F_SETFL, fcntl(child.err, F_GETFL, 0) | O_NONBLOCK);
    return child;
}

// Reads what is there; false once the pipe is closed.
bool drain(int& fd, std::string& into, size_t limit)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<size_t>(std::min<size_t>(static_cast<size_t>(got), limit - std::min(limit, into.size()))));
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        close(fd);
        fd = -1;
        return false;
    }
}

std::string firstLine(const std::string& text)
{
    std::string line = text.substr(0, text.find('\n'));
    // The helper's words, but a console line all the same: nothing that steers a terminal.
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return line;
}

ArpJobResult resultOf(const Child& child, int status, const std::vector<uint32_t>& sortedTargets)
{
    ArpJobResult result;
    result.problem = firstLine(child.errors);
    if (child.spawnError != 0) {
        result.status = child.spawnError == ENOENT ? ArpHelperStatus::Missing : ArpHelperStatus::Failed;
        if (result.problem.empty())
            result.problem = std::strerror(child.spawnError);
        return result;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kExitNotPermitted) {
        result.status = ArpHelperStatus::NotPermitted;
        return result;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        if (auto answers = parseArpHelperOutput(child.output, sortedTargets)) {
            result.status = ArpHelperStatus::Answered;
            result.answers = std::move(*answers);
            return result;
        }
        if (result.problem.empty())
            result.problem = "its output ended early";
    } else if (result.problem.empty()) {
        result.problem = WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status))
                                             : "exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    result.status = ArpHelperStatus::Failed;
    return result;
}

} // namespace

std::optional<std::string> findArpHelper()
{
    if (const char* chosen = std::getenv("BRENMOOR_ARP_HELPER")) {
        if (*chosen == '\0')
            return std::nullopt;
        return std::string(chosen);
    }
    const std::string folder = ownFolder();
    if (folder.empty())
        return std::nullopt;
    const std::string beside = folder + "/../libexec/brenmoor/brenmoor-arp";
    if (isExecutableFile(beside))
        return beside;
    return std::nullopt;
}

std::optional<std::vector<ArpAnswer>> parseArpHelperOutput(const std::string& text, const std::vector<uint32_t>& targets)
{
    std::vector<ArpAnswer> answers;
    std::istringstream lines(text);
    std::string line;
    bool done = false;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string first, second, third, rest;
        fields >> first >> second >> third;
        const bool extra = static_cast<bool>(fields >> rest);
        if (extra || third.empty())
            continue;
        unsigned a = 0, b = 0;
        if (first == "done") {
            done = parseCount(second, a) && parseCount(third, b);
            if (done)
                break;
            continue;
        }
        ArpAnswer answer;
        if (!parseIpv4(first, answer.ip) || first != ipv4Text(answer.ip) || !isMacText(second)
            || !parseCount(third, answer.milliseconds))
            continue;
        if (!std::binary_search(targets.begin(), targets.end(), answer.ip))
            continue;
        answer.mac = second;
        answers.push_back(std::move(answer));
    }
    if (!done)
        return std::nullopt;
    return answers;
}

std::vector<ArpJobResult> runArpHelper(const std::string& helper, const std::vector<ArpJob>& jobs,
                                       std::chrono::milliseconds wait, std::shared_ptr<const CancelToken> cancel)
{
    wait = std::min(std::max(wait, std::chrono::milliseconds(1)), kArpHelperMaxWait);
    std::vector<Child> children;
    children.reserve(jobs.size());
    for (const ArpJob& job : jobs)
        children.push_back(spawnHelper(helper, job, wait));

    const auto deadline = std::chrono::steady_clock::now() + wait + kGrace;
    bool killed = false;
    for (;;) {
        std::vector<pollfd> watched;
        for (const Child& child : children)
            for (const int fd : {child.out, child.err})
                if (fd >= 0)
                    watched.push_back({fd, POLLIN, 0});
        if (watched.empty())
            break;
        const bool cancelled = cancel && cancel->cancelled();
        const auto now = std::chrono::steady_clock::now();
        if ((cancelled || now >= deadline) && !killed) {
            // A helper that overstays (or a Search given up) is ended; its run counts as failed.
            for (Child& child : children) {
                if (child.pid > 0 && (child.out >= 0 || child.err >= 0)) {
                    kill(child.pid, SIGKILL);
                    child.killed = true;
                }
            }
            killed = true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        // Short slices: a cancel is seen within 50 ms.
        poll(watched.data(), watched.size(), static_cast<int>(std::clamp<long long>(left, 0, 50)));
        for (Child& child : children) {
            if (child.out >= 0)
                drain(child.out, child.output, kMaxOutputBytes);
            if (child.err >= 0)
                drain(child.err, child.errors, kMaxProblemBytes);
        }
    }

    std::vector<ArpJobResult> results;
    for (size_t i = 0; i < children.size(); ++i) {
        int status = 0;
        if (children[i].pid > 0)
            while (waitpid(children[i].pid, &status, 0) < 0 && errno == EINTR) {
            }
        std::vector<uint32_t> sorted = jobs[i].targets;
        std::sort(sorted.begin(), sorted.end());
        ArpJobResult result = resultOf(children[i], status, sorted);
        if (children[i].killed || (cancel && cancel->cancelled())) {
            result.status = ArpHelperStatus::Failed;
            result.answers.clear();
            if (result.problem.empty())
                result.problem = cancel && cancel->cancelled() ? "cancelled" : "it did not end in time";
        }
        results.push_back(std::move(result));
    }
    return results;
}

} // namespace brenmoor::net
