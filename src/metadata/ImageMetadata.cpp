#include "ImageMetadata.h"

#include "HashCombine.h"
#include "Text.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace optara {

namespace {

constexpr std::string_view unknownCamera = "Unknown Camera";
constexpr std::string_view unknownLens = "Unknown Lens";

// Reals compare numerically, except that NaN equals NaN so a record always
// equals its own copy.
bool sameReal(std::optional<double> a, std::optional<double> b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    return *a == *b || (std::isnan(*a) && std::isnan(*b));
}

bool sameText(std::optional<std::string_view> a, std::optional<std::string_view> b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || text::canonicallyEqual(*a, *b);
}

template <typename T, typename HashValue>
void hashOptional(std::size_t& seed, const std::optional<T>& value, HashValue hashValue)
{
    detail::hashCombine(seed, value ? 1 : 0);
    if (value)
        detail::hashCombine(seed, hashValue(*value));
}

} // namespace

ImageMetadata::ImageMetadata(std::string_view url, std::optional<std::string_view> cameraMake,
                             std::optional<std::string_view> cameraModel,
                             std::optional<std::string_view> lensModel, std::optional<double> focalLength,
                             std::optional<double> aperture, std::optional<std::int64_t> iso,
                             std::optional<double> shutterSpeed, std::optional<TimePoint> creationDate)
    : id_(Uuid::random())
{
    const std::string_view texts[] = {url, cameraMake.value_or(""), cameraModel.value_or(""),
                                      lensModel.value_or("")};
    // Offsets are 32-bit; texts read from a photo are far below that, so
    // anything longer is cut rather than allowed to wrap.
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    std::size_t total = 0;
    std::size_t lengths[std::size(texts)];
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        lengths[i] = std::min(texts[i].size(), limit - total);
        total += lengths[i];
    }
    auto block = std::make_shared_for_overwrite<char[]>(total == 0 ? 1 : total);
    std::size_t end = 0;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        if (lengths[i] > 0)
            std::memcpy(block.get() + end, texts[i].data(), lengths[i]);
        end += lengths[i];
        textEnds_[i] = static_cast<std::uint32_t>(end);
    }
    texts_ = std::move(block);

    auto mark = [this](Field field, bool present) {
        if (present)
            present_ = static_cast<std::uint8_t>(present_ | (1u << static_cast<unsigned>(field)));
    };
    mark(Field::Make, cameraMake.has_value());
    mark(Field::Model, cameraModel.has_value());
    mark(Field::Lens, lensModel.has_value());
    mark(Field::FocalLength, focalLength.has_value());
    mark(Field::Aperture, aperture.has_value());
    mark(Field::Iso, iso.has_value());
    mark(Field::ShutterSpeed, shutterSpeed.has_value());
    mark(Field::CreationDate, creationDate.has_value());
    focalLength_ = focalLength.value_or(0);
    aperture_ = aperture.value_or(0);
    iso_ = iso.value_or(0);
    shutterSpeed_ = shutterSpeed.value_or(0);
    creationDate_ = creationDate ? creationDate->time_since_epoch().count() : 0;
}

std::optional<std::string_view> ImageMetadata::text(Text which) const
{
    auto index = static_cast<std::size_t>(which);
    if (which != Text::Url && !has(static_cast<Field>(index - 1)))
        return std::nullopt;
    std::size_t begin = index == 0 ? 0 : textEnds_[index - 1];
    return std::string_view(texts_.get() + begin, textEnds_[index] - begin);
}

std::optional<double> ImageMetadata::number(Field field, double value) const
{
    if (!has(field))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> ImageMetadata::iso() const
{
    if (!has(Field::Iso))
        return std::nullopt;
    return iso_;
}

std::optional<ImageMetadata::TimePoint> ImageMetadata::creationDate() const
{
    if (!has(Field::CreationDate))
        return std::nullopt;
    return TimePoint(TimePoint::duration(creationDate_));
}

std::string ImageMetadata::cameraName() const
{
    auto make = text::trimmed(cameraMake().value_or(""));
    auto model = cameraModel() ? text::trimmed(*cameraModel()) : unknownCamera;
    if (text::canonicallyStartsWith(model, make) || model == unknownCamera)
        return std::string(model);
    std::string name;
    name.reserve(make.size() + 1 + model.size());
    name.append(make).append(" ").append(model);
    return name;
}

std::string ImageMetadata::lensName() const
{
    auto lens = lensModel();
    return std::string(lens ? text::trimmed(*lens) : unknownLens);
}

bool operator==(const ImageMetadata& a, const ImageMetadata& b)
{
    return a.id() == b.id() && a.url() == b.url() && sameText(a.cameraMake(), b.cameraMake()) &&
           sameText(a.cameraModel(), b.cameraModel()) && sameText(a.lensModel(), b.lensModel()) &&
           sameReal(a.focalLength(), b.focalLength()) && sameReal(a.aperture(), b.aperture()) &&
           a.iso() == b.iso() && sameReal(a.shutterSpeed(), b.shutterSpeed()) &&
           a.creationDate() == b.creationDate();
}

std::size_t ImageMetadata::hash() const
{
    std::size_t seed = id_.hash();
    detail::hashCombine(seed, std::hash<std::string_view>{}(url()));
    for (auto field : {cameraMake(), cameraModel(), lensModel()})
        hashOptional(seed, field, text::canonicalHash);
    hashOptional(seed, focalLength(), detail::hashReal);
    hashOptional(seed, aperture(), detail::hashReal);
    hashOptional(seed, iso(), std::hash<std::int64_t>{});
    hashOptional(seed, shutterSpeed(), detail::hashReal);
    hashOptional(seed, creationDate(),
                 [](TimePoint when) { return std::hash<TimePoint::rep>{}(when.time_since_epoch().count()); });
    return seed;
}

} // namespace optara
