#pragma once
// The home folder and the trash of a test program, in a temporary folder. GLib reads both
// once per process, so they are set while the program starts, before any GLib call; the
// user's own trash is never touched, and files made in other temporary folders lie on the
// same disk as this trash.
#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace morvane::test {

class TrashHome {
  public:
    TrashHome() {
        ::setenv("HOME", home_.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
    }
    std::string Folder(const std::string& part) const { return home_ / ("data/Trash/" + part); }

  private:
    TempDir home_;
};

inline const TrashHome kTrashHome;

}  // namespace morvane::test
