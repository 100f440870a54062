// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An owned POSIX file descriptor, closed when it goes out of scope.
#include <unistd.h>

#include <utility>

namespace morvane {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now; false when close reports an error (a delayed write failure, for one).
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }
    // Gives the descriptor up to a new owner (a FILE stream, say).
    int Release() { return std::exchange(fd_, -1); }

  private:
    void Reset() {
        if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    }
    int fd_ = -1;
};

}  // namespace morvane
