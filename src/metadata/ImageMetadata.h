#pragma once

#include "SharedText.h"
#include "Uuid.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace optara {

// One analysed photo. Immutable; every construction draws a fresh id, so two
// separately built records are never equal. Texts are stored as read, each cut
// at 2^32 - 1 bytes (the url's folder and file name apart). A window holds many
// records, so the url's folder and the camera texts are shared with the
// records built just before on the same thread.
class ImageMetadata {
  public:
    using TimePoint = std::chrono::system_clock::time_point;

    ImageMetadata(std::string_view url, std::optional<std::string_view> cameraMake,
                  std::optional<std::string_view> cameraModel, std::optional<std::string_view> lensModel,
                  std::optional<double> focalLength, std::optional<double> aperture,
                  std::optional<std::int64_t> iso, std::optional<double> shutterSpeed,
                  std::optional<TimePoint> creationDate);

    const Uuid& id() const { return id_; }
    // The file's path, exactly as handed to the reader; joined on every call.
    std::string url() const;
    std::optional<std::string_view> cameraMake() const { return text(make_); }
    std::optional<std::string_view> cameraModel() const { return text(model_); }
    std::optional<std::string_view> lensModel() const { return text(lens_); }
    std::optional<double> focalLength() const { return number(Bit::FocalLength, focalLength_); }
    std::optional<double> aperture() const { return number(Bit::Aperture, aperture_); }
    std::optional<std::int64_t> iso() const;
    std::optional<double> shutterSpeed() const { return number(Bit::ShutterSpeed, shutterSpeed_); }
    std::optional<TimePoint> creationDate() const;

    // Grouping labels, derived on every call.
    std::string cameraName() const;
    std::string lensName() const;

    friend bool operator==(const ImageMetadata& a, const ImageMetadata& b);
    std::size_t hash() const;

  private:
    // Which bit of present_ says that a number or the date is held.
    enum class Bit : std::uint8_t { FocalLength, Aperture, Iso, ShutterSpeed, CreationDate };

    bool has(Bit bit) const { return (present_ >> static_cast<unsigned>(bit)) & 1u; }
    static std::optional<std::string_view> text(const SharedText& text)
    {
        return text ? std::optional(text.view()) : std::nullopt;
    }
    std::optional<double> number(Bit bit, double value) const;

    Uuid id_;
    // The url split after its last '/'; null when a part is empty.
    SharedText folder_;
    SharedText name_;
    SharedText make_;
    SharedText model_;
    SharedText lens_;
    double focalLength_ = 0;
    double aperture_ = 0;
    double shutterSpeed_ = 0;
    std::int64_t iso_ = 0;
    TimePoint::rep creationDate_ = 0;
    std::uint8_t present_ = 0;
};

} // namespace optara

template <> struct std::hash<optara::ImageMetadata> {
    std::size_t operator()(const optara::ImageMetadata& record) const noexcept { return record.hash(); }
};
