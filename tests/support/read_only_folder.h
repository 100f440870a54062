// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helper: a folder nobody may create or remove files in. Rights alone do not stop the
// superuser, so the folder is also marked immutable where the file system allows it.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace morvane::test {

class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const std::string& path) : path_(path) {
        std::filesystem::create_directories(path);
        std::filesystem::permissions(
            path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        SetImmutable(true);
        const std::string probe = path + "/probe";
        if (std::FILE* f = std::fopen(probe.c_str(), "wb")) {
            std::fclose(f);
            std::filesystem::remove(probe);
        } else {
            readOnly_ = true;
        }
    }
    ~ReadOnlyFolder() {
        SetImmutable(false);
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False when neither rights nor the immutable mark hold here: skip the test.
    bool ReadOnly() const { return readOnly_; }

  private:
    void SetImmutable(bool on) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }
    std::string path_;
    bool readOnly_ = false;
};

}  // namespace morvane::test
