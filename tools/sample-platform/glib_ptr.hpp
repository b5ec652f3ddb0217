// Owners for the GLib and libsoup handles the sample platform holds. Every
// handle gets a named owner the moment it is created, so an early return
// cannot leak it and no code path frees one twice.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

namespace velmora::sample {

template <auto Fn> struct CDeleter {
  template <class T> void operator()(T* p) const { Fn(p); }
};

using GCharPtr = std::unique_ptr<char, CDeleter<g_free>>;
using GErrorPtr = std::unique_ptr<GError, CDeleter<g_error_free>>;
using GHashTablePtr = std::unique_ptr<GHashTable, CDeleter<g_hash_table_unref>>;
using GBytesPtr = std::unique_ptr<GBytes, CDeleter<g_bytes_unref>>;

// A strong reference to a GObject. `adopt` takes over a reference the caller
// already owns (a _new() result); `retain` adds one of its own.
template <class T> class GObjectPtr {
public:
  GObjectPtr() = default;

  [[nodiscard]] static GObjectPtr adopt(T* p) {
    if (p != nullptr && g_object_is_floating(p)) {
      g_object_ref_sink(p);
    }
    GObjectPtr owner;
    owner.p_.reset(p);
    return owner;
  }

  [[nodiscard]] static GObjectPtr retain(T* p) {
    GObjectPtr owner;
    if (p != nullptr) {
      owner.p_.reset(static_cast<T*>(g_object_ref(p)));
    }
    return owner;
  }

  T* get() const { return p_.get(); }
  explicit operator bool() const { return p_ != nullptr; }

private:
  std::unique_ptr<T, CDeleter<g_object_unref>> p_;
};

} // namespace velmora::sample
