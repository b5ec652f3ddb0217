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

} // namespace velmora::testing
