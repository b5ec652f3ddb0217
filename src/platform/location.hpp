// The desktop's location service.
#pragma once

namespace velmora {

class LocationService {
public:
  virtual ~LocationService() = default;
  // Returns at once; the desktop may ask the user whether the application
  // may use their location.
  virtual void requestWhenInUseAuthorization() = 0;
};

} // namespace velmora
