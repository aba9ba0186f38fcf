#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace optara::testing {

// Sets the process's time zone (TZ) for the life of the object.
class ZoneOverride {
  public:
    explicit ZoneOverride(const std::string& zone) : previous_(std::getenv("TZ") ? std::getenv("TZ") : "")
    {
        ::setenv("TZ", zone.c_str(), 1);
        ::tzset();
    }
    ~ZoneOverride()
    {
        previous_.empty() ? ::unsetenv("TZ") : ::setenv("TZ", previous_.c_str(), 1);
        ::tzset();
    }
    ZoneOverride(const ZoneOverride&) = delete;
    ZoneOverride& operator=(const ZoneOverride&) = delete;

  private:
    std::string previous_;
};

} // namespace optara::testing
