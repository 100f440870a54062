// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owners for GLib's objects and errors.
#include <gio/gio.h>

#include <memory>

namespace morvane {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, ObjectUnref>;
using GErrorPtr = std::unique_ptr<GError, ErrorFree>;

}  // namespace morvane
