// One run of the real game executable, for tests that drive it from outside.
#pragma once

#include <sys/types.h>

#include <string>

namespace testsupport {

// Runs a shell command; answers its standard output without trailing line ends.
std::string Shell(const std::string& command);

// bin/quenrith started with its own program folder, runtime folder (the
// single-instance lock lives there) and X display; message boxes are recorded to
// <folder>/boxes.txt instead of shown.
class ProgramRun {
public:
    ProgramRun(const std::string& folder, const std::string& runtime, const std::string& display);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool started() const { return pid_ > 0; }
    // A shell command against the run's display (standard error dropped).
    std::string X(const std::string& command) const;
    // The id of the program's window with the game's caption, or "" after `seconds`.
    std::string FindWindow(int seconds);
    bool Exited();
    // Exit status (128 + signal when killed), or -1 when it did not end in time.
    int WaitExit(int seconds);
    std::string Log() const;
    std::string Boxes() const;

private:
    std::string folder_;
    std::string display_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

}  // namespace testsupport
