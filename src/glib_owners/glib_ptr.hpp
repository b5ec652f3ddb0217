// Owners with names for GLib's C handles, for every part of the tree that
// holds them: the GTK backend, the sample platform and the test helpers.
// Every transfer says whether it adopts a reference or retains one, an error
// is written straight into its owner, and signal connections and main-loop
// sources undo themselves. (The core never includes this: it sees no GLib at all.)
#pragma once

#include <glib-object.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace velmora {

template <auto Fn> struct CDeleter {
  template <class T> void operator()(T* p) const {
    if (p)
      Fn(p);
  }
};

using GCharPtr = std::unique_ptr<char, CDeleter<g_free>>;
using GErrorPtr = std::unique_ptr<GError, CDeleter<g_error_free>>;
using GKeyFilePtr = std::unique_ptr<GKeyFile, CDeleter<g_key_file_unref>>;
using GBytesPtr = std::unique_ptr<GBytes, CDeleter<g_bytes_unref>>;
using GVariantPtr = std::unique_ptr<GVariant, CDeleter<g_variant_unref>>;
using GHashTablePtr = std::unique_ptr<GHashTable, CDeleter<g_hash_table_unref>>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, CDeleter<g_main_loop_unref>>;
// The list only; its elements belong to someone else.
using GStrvPtr = std::unique_ptr<char*, CDeleter<g_strfreev>>;
using GListPtr = std::unique_ptr<GList, CDeleter<g_list_free>>;

// Lets a C function that hands back a new handle through a pointer to a
// pointer (a GError**, above all) write straight into an owner, which takes
// it over at the end of the call's full expression. Not for variadic
// arguments, which take no conversion:
//   GErrorPtr error;
//   if (!g_file_set_contents(path, data, size, out(error))) use(error);
template <class Owner> class OutPointer {
public:
  explicit OutPointer(Owner& owner) : owner_(owner) {}
  ~OutPointer() { owner_.reset(raw_); }
  OutPointer(const OutPointer&) = delete;
  OutPointer& operator=(const OutPointer&) = delete;
  // NOLINTNEXTLINE(google-explicit-constructor): it stands where a T** is asked for.
  operator typename Owner::pointer *() { return &raw_; }

private:
  Owner& owner_;
  typename Owner::pointer raw_ = nullptr;
};

template <class Owner> [[nodiscard]] OutPointer<Owner> out(Owner& owner) {
  return OutPointer<Owner>(owner);
}

// A C string someone else owns, copied; none for null.
inline std::optional<std::string> stringOf(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

// Copies a C string that the caller must free, then frees it.
inline std::string takeString(char* text) {
  GCharPtr owner(text);
  return owner ? std::string(owner.get()) : std::string();
}

template <class T> class GObjectPtr {
public:
  GObjectPtr() = default;
  // A _new() result: takes over its reference, sinking a floating one.
  [[nodiscard]] static GObjectPtr adopt(T* p) {
    if (p && g_object_is_floating(p))
      g_object_ref_sink(p);
    return GObjectPtr(p);
  }
  // Someone else's object: adds a reference of our own.
  [[nodiscard]] static GObjectPtr retain(T* p) {
    if (p)
      g_object_ref(p);
    return GObjectPtr(p);
  }
  // Copies share the object, each holding a reference of its own, so a
  // handle can travel inside a std::function.
  GObjectPtr(const GObjectPtr& other) : GObjectPtr(retain(other.get())) {}
  GObjectPtr& operator=(const GObjectPtr& other) {
    if (this != &other)
      *this = retain(other.get());
    return *this;
  }
  GObjectPtr(GObjectPtr&&) noexcept = default;
  GObjectPtr& operator=(GObjectPtr&&) noexcept = default;

  T* get() const { return p_.get(); }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() { p_.reset(); }

private:
  explicit GObjectPtr(T* p) : p_(p) {}
  std::unique_ptr<T, CDeleter<g_object_unref>> p_;
};

// A reference-counted boxed handle (a WebKit script dialog, say) with the
// reference it holds released with it.
template <class T, T* (*Ref)(T*), void (*Unref)(T*)> class BoxedPtr {
public:
  BoxedPtr() = default;
  // Someone else's handle: adds a reference of our own.
  [[nodiscard]] static BoxedPtr retain(T* p) { return BoxedPtr(p ? Ref(p) : nullptr); }
  BoxedPtr(const BoxedPtr& other) : BoxedPtr(retain(other.get())) {}
  BoxedPtr& operator=(const BoxedPtr& other) {
    if (this != &other)
      *this = retain(other.get());
    return *this;
  }
  BoxedPtr(BoxedPtr&&) noexcept = default;
  BoxedPtr& operator=(BoxedPtr&&) noexcept = default;
  T* get() const { return p_.get(); }

private:
  explicit BoxedPtr(T* p) : p_(p) {}
  std::unique_ptr<T, CDeleter<Unref>> p_;
};

// A timeout or idle source of the main loop, removed when its owner goes or
// is given another: a callback never outlives the object it points at. The
// callback must say when it has run for the last time, with `ran`, for the
// source is gone by then.
class SourceId {
public:
  SourceId() = default;
  explicit SourceId(guint id) : id_(id) {}
  SourceId(SourceId&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  SourceId& operator=(SourceId&& other) noexcept {
    if (this != &other) {
      reset();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  ~SourceId() { reset(); }
  explicit operator bool() const { return id_ != 0; }
  // Removes the source if it is still waiting.
  void reset() {
    if (id_)
      g_source_remove(std::exchange(id_, 0));
  }
  // The source returned G_SOURCE_REMOVE: GLib removes it, so must not we.
  void ran() { id_ = 0; }

private:
  guint id_ = 0;
};

// A signal connection whose handler points at an object of ours: it
// disconnects itself when destroyed, so the handler never outlives the
// object it forwards to. `destroy` frees `data` when the connection ends
// (for a heap-held std::function). Movable, not copyable; harmless when the
// instance dies first. A closure that owns all its data through a
// destroy-notify, and lives exactly as long as its instance, needs none.
class ScopedSignal {
public:
  ScopedSignal() = default;
  ScopedSignal(gpointer instance, const char* signal, GCallback handler, gpointer data,
               GClosureNotify destroy = nullptr, GConnectFlags flags = GConnectFlags(0))
      : instance_(instance) {
    g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
    id_ = g_signal_connect_data(instance, signal, handler, data, destroy, flags);
  }
  ScopedSignal(ScopedSignal&& other) noexcept { *this = std::move(other); }
  ScopedSignal& operator=(ScopedSignal&& other) noexcept {
    if (this != &other) {
      disconnect();
      if (other.instance_)
        g_object_remove_weak_pointer(G_OBJECT(other.instance_), &other.instance_);
      instance_ = std::exchange(other.instance_, nullptr);
      id_ = std::exchange(other.id_, 0);
      if (instance_)
        g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
    }
    return *this;
  }
  ~ScopedSignal() { disconnect(); }

private:
  void disconnect() {
    if (!instance_)
      return;
    g_object_remove_weak_pointer(G_OBJECT(instance_), &instance_);
    if (id_)
      g_signal_handler_disconnect(instance_, id_);
    instance_ = nullptr;
    id_ = 0;
  }
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

} // namespace velmora
