#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace optara::testing {

// Sets the process's time zone (TZ) for the life of the object, then puts
// back what was there.
class ZoneOverride {
  public:
    explicit ZoneOverride(const std::string& zone)
    {
        if (const char* previous = std::getenv("TZ"))
            previous_ = previous;
        ::setenv("TZ", zone.c_str(), 1);
        ::tzset();
    }
    ~ZoneOverride()
    {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ZoneOverride(const ZoneOverride&) = delete;
    ZoneOverride& operator=(const ZoneOverride&) = delete;

  private:
    std::optional<std::string> previous_;
};

} // namespace optara::testing
