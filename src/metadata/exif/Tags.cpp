#include "Tags.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace optara::exif {

namespace {

struct Tag {
    std::uint16_t number;
    std::string_view name;
};

// Sorted by number. Names follow the platform's property keys.
constexpr Tag tiffTags[] = {
    {0x010E, "ImageDescription"},
    {0x010F, "Make"},
    {0x0110, "Model"},
    {0x0112, "Orientation"},
    {0x011A, "XResolution"},
    {0x011B, "YResolution"},
    {0x0128, "ResolutionUnit"},
    {0x0131, "Software"},
    {0x0132, "DateTime"},
    {0x013B, "Artist"},
    {0x013C, "HostComputer"},
    {0x013E, "WhitePoint"},
    {0x013F, "PrimaryChromaticities"},
    {0x0213, "YCbCrPositioning"},
    {0x8298, "Copyright"},
};

constexpr Tag exifTags[] = {
    {0x829A, "ExposureTime"},
    {0x829D, "FNumber"},
    {0x8822, "ExposureProgram"},
    {0x8824, "SpectralSensitivity"},
    {0x8827, "ISOSpeedRatings"},
    {0x8830, "SensitivityType"},
    {0x8831, "StandardOutputSensitivity"},
    {0x8832, "RecommendedExposureIndex"},
    {0x8833, "ISOSpeed"},
    {0x9000, "ExifVersion"},
    {0x9003, "DateTimeOriginal"},
    {0x9004, "DateTimeDigitized"},
    {0x9010, "OffsetTime"},
    {0x9011, "OffsetTimeOriginal"},
    {0x9012, "OffsetTimeDigitized"},
    {0x9101, "ComponentsConfiguration"},
    {0x9102, "CompressedBitsPerPixel"},
    {0x9201, "ShutterSpeedValue"},
    {0x9202, "ApertureValue"},
    {0x9203, "BrightnessValue"},
    {0x9204, "ExposureBiasValue"},
    {0x9205, "MaxApertureValue"},
    {0x9206, "SubjectDistance"},
    {0x9207, "MeteringMode"},
    {0x9208, "LightSource"},
    {0x9209, "Flash"},
    {0x920A, "FocalLength"},
    {0x9214, "SubjectArea"},
    {0x9290, "SubsecTime"},
    {0x9291, "SubsecTimeOriginal"},
    {0x9292, "SubsecTimeDigitized"},
    {0xA000, "FlashPixVersion"},
    {0xA001, "ColorSpace"},
    {0xA002, "PixelXDimension"},
    {0xA003, "PixelYDimension"},
    {0xA20E, "FocalPlaneXResolution"},
    {0xA20F, "FocalPlaneYResolution"},
    {0xA210, "FocalPlaneResolutionUnit"},
    {0xA217, "SensingMethod"},
    {0xA300, "FileSource"},
    {0xA301, "SceneType"},
    {0xA401, "CustomRendered"},
    {0xA402, "ExposureMode"},
    {0xA403, "WhiteBalance"},
    {0xA404, "DigitalZoomRatio"},
    {0xA405, "FocalLenIn35mmFilm"},
    {0xA406, "SceneCaptureType"},
    {0xA407, "GainControl"},
    {0xA408, "Contrast"},
    {0xA409, "Saturation"},
    {0xA40A, "Sharpness"},
    {0xA40C, "SubjectDistRange"},
    {0xA420, "ImageUniqueID"},
    {0xA430, "CameraOwnerName"},
    {0xA431, "BodySerialNumber"},
    {0xA432, "LensSpecification"},
    {0xA433, "LensMake"},
    {0xA434, "LensModel"},
    {0xA435, "LensSerialNumber"},
    {0xA500, "Gamma"},
};

template <std::size_t N>
constexpr bool sorted(const Tag (&tags)[N])
{
    return std::is_sorted(std::begin(tags), std::end(tags),
                          [](const Tag& a, const Tag& b) { return a.number < b.number; });
}
static_assert(sorted(tiffTags) && sorted(exifTags));

template <std::size_t N>
std::optional<std::string_view> lookUp(const Tag (&tags)[N], std::uint16_t number)
{
    const Tag* found = std::lower_bound(std::begin(tags), std::end(tags), number,
                                        [](const Tag& tag, std::uint16_t n) { return tag.number < n; });
    if (found == std::end(tags) || found->number != number)
        return std::nullopt;
    return found->name;
}

}  // namespace

std::optional<std::string_view> tagName(Directory directory, std::uint16_t tag)
{
    return directory == Directory::Tiff ? lookUp(tiffTags, tag) : lookUp(exifTags, tag);
}

}  // namespace optara::exif
