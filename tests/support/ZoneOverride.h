#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace optara::testing {

// Sets the process's time zone (TZ) for the life of the object.
class ZoneOverride {
  public:
    explicit ZoneOverride(const std::string& zone) { set(zone.c_str()); }
    ~ZoneOverride() { set(previous_ ? previous_->c_str() : nullptr); }
    ZoneOverride(const ZoneOverride&) = delete;
    ZoneOverride& operator=(const ZoneOverride&) = delete;

  private:
    static void set(const char* zone)
    {
        zone ? ::setenv("TZ", zone, 1) : ::unsetenv("TZ");
        ::tzset();
    }
    std::optional<std::string> previous_ =
        std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

} // namespace optara::testing
