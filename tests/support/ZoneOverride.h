#pragma once

#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <thread>

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

// Runs body in the zone on a thread of its own, as a thread keeps the offsets
// it has looked up in the zone it first met.
inline void inZone(const std::string& zone, const std::function<void()>& body)
{
    const ZoneOverride override(zone);
    std::thread(body).join();
}

} // namespace optara::testing
