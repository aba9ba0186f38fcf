#include "ImageMetadata.h"

#include "HashCombine.h"
#include "Text.h"

#include <cmath>

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

SharedText reused(std::optional<std::string_view> text)
{
    return text ? SharedText::reusing(*text) : SharedText();
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
    const std::size_t slash = url.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    if (nameStart > 0)
        folder_ = SharedText::reusing(url.substr(0, nameStart));
    if (nameStart < url.size())
        name_ = SharedText(url.substr(nameStart));
    make_ = reused(cameraMake);
    model_ = reused(cameraModel);
    lens_ = reused(lensModel);
    auto mark = [this](Bit bit, bool present) {
        if (present)
            present_ = static_cast<std::uint8_t>(present_ | (1u << static_cast<unsigned>(bit)));
    };
    mark(Bit::FocalLength, focalLength.has_value());
    mark(Bit::Aperture, aperture.has_value());
    mark(Bit::Iso, iso.has_value());
    mark(Bit::ShutterSpeed, shutterSpeed.has_value());
    mark(Bit::CreationDate, creationDate.has_value());
    focalLength_ = focalLength.value_or(0);
    aperture_ = aperture.value_or(0);
    iso_ = iso.value_or(0);
    shutterSpeed_ = shutterSpeed.value_or(0);
    creationDate_ = creationDate ? creationDate->time_since_epoch().count() : 0;
}

std::string ImageMetadata::url() const
{
    const std::string_view folder = folder_.view(), name = name_.view();
    std::string url;
    url.reserve(folder.size() + name.size());
    url.append(folder).append(name);
    return url;
}

std::optional<double> ImageMetadata::number(Bit bit, double value) const
{
    if (!has(bit))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> ImageMetadata::iso() const
{
    if (!has(Bit::Iso))
        return std::nullopt;
    return iso_;
}

std::optional<ImageMetadata::TimePoint> ImageMetadata::creationDate() const
{
    if (!has(Bit::CreationDate))
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
    // The split of a url is fixed, so equal urls have equal parts.
    return a.id() == b.id() && a.folder_.view() == b.folder_.view() && a.name_.view() == b.name_.view() &&
           sameText(a.cameraMake(), b.cameraMake()) && sameText(a.cameraModel(), b.cameraModel()) &&
           sameText(a.lensModel(), b.lensModel()) && sameReal(a.focalLength(), b.focalLength()) &&
           sameReal(a.aperture(), b.aperture()) && a.iso() == b.iso() &&
           sameReal(a.shutterSpeed(), b.shutterSpeed()) && a.creationDate() == b.creationDate();
}

std::size_t ImageMetadata::hash() const
{
    std::size_t seed = id_.hash();
    for (const SharedText* part : {&folder_, &name_})
        detail::hashCombine(seed, std::hash<std::string_view>{}(part->view()));
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
