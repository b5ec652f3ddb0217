#include "fake_desktop.hpp"

#include <stdexcept>

namespace velmora::testing {

void FakeAlerts::answer(int code, std::string fieldText) {
  if (shown.empty())
    throw std::logic_error("no alert to answer");
  Shown alert = std::move(shown.back());
  shown.pop_back();
  alert.completion(AlertResponse{code, std::move(fieldText)});
}

void FakeHttpClient::complete(HttpResponse response) {
  if (pending.empty())
    throw std::logic_error("no request to complete");
  Pending request = std::move(pending.front());
  pending.pop_front();
  request.completion(std::move(response));
}

void FakeMainQueue::drain() {
  while (!tasks.empty()) {
    auto task = std::move(tasks.front());
    tasks.pop_front();
    task();
  }
}

void FakeMainQueue::advance(std::chrono::milliseconds by) {
  const Clock::time_point until = clock + by;
  drain();
  while (true) {
    auto next = delayed.end();
    for (auto it = delayed.begin(); it != delayed.end(); ++it)
      if (it->second.due <= until && (next == delayed.end() || it->second.due < next->second.due))
        next = it;
    if (next == delayed.end())
      break;
    clock = next->second.due;
    auto task = std::move(next->second.task);
    delayed.erase(next);
    task();
    drain();
  }
  clock = until;
}

} // namespace velmora::testing
