// Callbacks that may come after their owner is gone: a network answer, an
// alert answered late, a task on the main queue. The owner keeps a Lifetime
// and wraps what it hands out in guard(); a wrapped callback that runs once
// the owner has been destroyed does nothing.
#pragma once

#include <memory>
#include <utility>

namespace velmora {

class Lifetime {
public:
  Lifetime() = default;
  // Each owner has a lifetime of its own.
  Lifetime(const Lifetime&) = delete;
  Lifetime& operator=(const Lifetime&) = delete;

  template <class Callback> [[nodiscard]] auto guard(Callback callback) const {
    return [alive = std::weak_ptr<const bool>(token_),
            callback = std::move(callback)](auto&&... arguments) mutable {
      if (alive.lock())
        callback(std::forward<decltype(arguments)>(arguments)...);
    };
  }

private:
  std::shared_ptr<const bool> token_ = std::make_shared<const bool>(true);
};

} // namespace velmora
