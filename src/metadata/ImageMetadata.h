#pragma once

#include "Uuid.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace optara {

// One analysed photo. Immutable; every construction draws a fresh id, so two
// separately built records are never equal. Texts are stored as read, and all
// of them share one immutable heap block so that a held record stays small.
class ImageMetadata {
  public:
    using TimePoint = std::chrono::system_clock::time_point;

    ImageMetadata(std::string_view url, std::optional<std::string_view> cameraMake,
                  std::optional<std::string_view> cameraModel, std::optional<std::string_view> lensModel,
                  std::optional<double> focalLength, std::optional<double> aperture,
                  std::optional<std::int64_t> iso, std::optional<double> shutterSpeed,
                  std::optional<TimePoint> creationDate);

    const Uuid& id() const { return id_; }
    // The file's path, exactly as handed to the reader.
    std::string_view url() const { return text(Text::Url).value_or(std::string_view{}); }
    std::optional<std::string_view> cameraMake() const { return text(Text::Make); }
    std::optional<std::string_view> cameraModel() const { return text(Text::Model); }
    std::optional<std::string_view> lensModel() const { return text(Text::Lens); }
    std::optional<double> focalLength() const { return number(Field::FocalLength, focalLength_); }
    std::optional<double> aperture() const { return number(Field::Aperture, aperture_); }
    std::optional<std::int64_t> iso() const;
    std::optional<double> shutterSpeed() const { return number(Field::ShutterSpeed, shutterSpeed_); }
    std::optional<TimePoint> creationDate() const;

    // Grouping labels, derived on every call.
    std::string cameraName() const;
    std::string lensName() const;

    friend bool operator==(const ImageMetadata& a, const ImageMetadata& b);
    std::size_t hash() const;

  private:
    enum class Text : std::uint8_t { Url, Make, Model, Lens, Count };
    enum class Field : std::uint8_t {
        Make,
        Model,
        Lens,
        FocalLength,
        Aperture,
        Iso,
        ShutterSpeed,
        CreationDate
    };

    bool has(Field field) const { return (present_ >> static_cast<unsigned>(field)) & 1u; }
    std::optional<std::string_view> text(Text which) const;
    std::optional<double> number(Field field, double value) const;

    Uuid id_;
    std::shared_ptr<const char[]> texts_;
    std::uint32_t textEnds_[static_cast<std::size_t>(Text::Count)] = {};
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
