// What the desktop knows about the way to the server: when the network comes
// back, and when the machine wakes from sleep. Both are moments when a
// server that could not be reached may well answer again.
#pragma once

namespace velmora {

class ConnectivityObserver {
public:
  virtual ~ConnectivityObserver() = default;
  // The machine has a network again after having none.
  virtual void networkDidBecomeAvailable() = 0;
  // The machine has woken from sleep or hibernation.
  virtual void systemDidWake() = 0;
};

class Connectivity {
public:
  virtual ~Connectivity() = default;
  // `observer` hears of every later change until it is replaced; null
  // stops the reports. It must outlive its registration.
  virtual void setObserver(ConnectivityObserver* observer) = 0;
};

} // namespace velmora
