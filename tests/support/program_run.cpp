#include "tests/support/program_run.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "tests/support/test_support.h"

extern char** environ;

namespace testsupport {

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

ProgramRun::ProgramRun(const std::string& folder, const std::string& runtime, const std::string& display)
    : folder_(folder), display_(display) {
    std::filesystem::create_directories(runtime);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("KESTRA_", 0) == 0 || entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            entry.rfind("DISPLAY=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("KESTRA_PROGRAM_DIR=" + folder);
    env.push_back("KESTRA_MSGBOX_RECORD=" + folder + "/boxes.txt");
    env.push_back("XDG_RUNTIME_DIR=" + runtime);
    env.push_back("DISPLAY=" + display);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = BinaryDir() + "/quenrith";
    char* argv[] = {exe.data(), nullptr};
    if (posix_spawn(&pid_, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
}

ProgramRun::~ProgramRun() {
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string ProgramRun::X(const std::string& command) const {
    return Shell("DISPLAY=" + display_ + " " + command + " 2>/dev/null");
}

std::string ProgramRun::FindWindow(int seconds) {
    for (int i = 0; i < seconds * 10 && !Exited(); ++i) {
        const std::string id =
            X("xdotool search --all --pid " + std::to_string(pid_) + " --name '^Quenrith ver1\\.12' | head -n 1");
        if (!id.empty()) return id;
        usleep(100 * 1000);
    }
    return std::string();
}

bool ProgramRun::Exited() {
    if (exited_) return true;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        status_ = status;
    }
    return exited_;
}

int ProgramRun::WaitExit(int seconds) {
    for (int i = 0; i < seconds * 20 && !Exited(); ++i) usleep(50 * 1000);
    if (!exited_) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

std::string ProgramRun::Log() const { return ReadFile(folder_ + "/system_log.html"); }

std::string ProgramRun::Boxes() const {
    return FileExists(folder_ + "/boxes.txt") ? ReadFile(folder_ + "/boxes.txt") : std::string();
}

}  // namespace testsupport
