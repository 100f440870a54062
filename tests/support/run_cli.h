// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helper: morvane-cli run through the shell, its output (stdout and stderr) collected.
// MORVANE_CLI_PATH is defined for every engine test program.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace morvane::test {

struct CliResult {
    int status = -1;  // the exit status, -1 when the program did not exit normally
    std::string out;
};

// `environment`: assignments such as "LANG=C " put before the command.
inline CliResult RunCli(const std::string& arguments, const std::string& environment = "") {
    CliResult result;
    // A program that hangs fails its test instead of stopping the whole run.
    const std::string command =
        environment + "timeout 60 " + std::string(MORVANE_CLI_PATH) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The text as one shell word, whatever bytes it holds.
inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace morvane::test
