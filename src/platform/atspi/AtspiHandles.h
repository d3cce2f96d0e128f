// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ownership of GLib/libatspi values, so every early return releases them.

#include <atspi/atspi.h>

#include <memory>

namespace kelvo::atspi {

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

struct GHashTableUnref {
    void operator()(GHashTable *table) const
    {
        if (table)
            g_hash_table_unref(table);
    }
};
using GHashTablePtr = std::unique_ptr<GHashTable, GHashTableUnref>;

// Collects the GError of one call; any error reads as an absent value.
class CallError {
public:
    CallError() = default;
    CallError(const CallError &) = delete;
    CallError &operator=(const CallError &) = delete;
    ~CallError()
    {
        if (error)
            g_error_free(error);
    }
    GError **out()
    {
        if (error) {
            g_error_free(error);
            error = nullptr;
        }
        return &error;
    }
    bool failed() const { return error != nullptr; }

private:
    GError *error = nullptr;
};

} // namespace kelvo::atspi
