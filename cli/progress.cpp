// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>

namespace morvane::cli {

Progress::Progress() : enabled_(::isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    Done();
}

void Progress::Walked(int total) {
    total_ = total;
    start_ = std::chrono::steady_clock::now();
}

bool Progress::Due() {
    const auto now = std::chrono::steady_clock::now();
    if (!enabled_ || now - lastPrint_ < std::chrono::milliseconds(100)) return false;
    lastPrint_ = now;
    return true;
}

void Progress::Print(const std::string& line) {
    // Kept to one terminal line so that "\r" can overwrite it.
    std::fprintf(stderr, "\r\033[K%.*s", 120, line.c_str());
    std::fflush(stderr);
    printed_ = true;
}

void Progress::FileHandled(int index, const std::string& relativePath) {
    if (!Due()) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const QString head = QCoreApplication::translate("Cli", "%1/%2  %3/с  ")
                             .arg(index + 1)
                             .arg(total_)
                             .arg(seconds > 0 ? (index + 1) / seconds : 0.0, 0, 'f', 0);
    Print(head.toStdString() + relativePath);
}

void Progress::Comparing(int processed, int total) {
    if (!Due()) return;
    Print(QCoreApplication::translate("Cli", "Сравнение: %1/%2")
              .arg(processed)
              .arg(total)
              .toStdString());
}

void Progress::Done() {
    if (!printed_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    printed_ = false;
}

}  // namespace morvane::cli
