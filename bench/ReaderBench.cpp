// optara-bench reader DIR: our reader against exiv2 and against the bare cost
// of opening a file and reading its first 64 KiB, on one thread with a warm
// cache, over every JPEG under DIR as the app finds them.

#include "GatherFiles.h"
#include "MetadataReader.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int rounds = 9;
// Each timed sample runs whole passes over the files for at least this long,
// so that timer resolution and scheduling noise stay small.
constexpr auto minimumSample = std::chrono::milliseconds(40);

// Every method folds what it read into a checksum, printed at the end, so that
// no read can be optimised away.
struct Method {
    const char* name;
    std::function<std::uint64_t(std::size_t)> readOne; // reads file number i
    long passesPerSample = 1;
    std::vector<double> usPerFile{};
    std::uint64_t checksum = 0;
};

std::uint64_t textSum(std::string_view text)
{
    std::uint64_t sum = text.size();
    for (const char c : text)
        sum = sum * 31 + static_cast<unsigned char>(c);
    return sum;
}

std::uint64_t realSum(double value)
{
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(value * 1000.0));
}

std::uint64_t readOurs(const fs::path& file)
{
    const auto record = optara::MetadataReader::shared().readMetadata(file);
    if (!record)
        return 0;
    std::uint64_t sum = 1;
    sum += textSum(record->cameraMake().value_or("")) + textSum(record->cameraModel().value_or("")) +
           textSum(record->lensModel().value_or(""));
    sum += realSum(record->focalLength().value_or(0)) + realSum(record->aperture().value_or(0)) +
           realSum(record->shutterSpeed().value_or(0));
    sum += static_cast<std::uint64_t>(record->iso().value_or(0));
    if (const auto date = record->creationDate())
        sum += static_cast<std::uint64_t>(date->time_since_epoch().count());
    return sum;
}

std::uint64_t readExiv2(const std::string& file)
{
    try {
        auto image = Exiv2::ImageFactory::open(file, false);
        if (image.get() == nullptr)
            return 0;
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        std::uint64_t sum = 1;
        const auto text = [&](const char* key) {
            const auto found = exif.findKey(Exiv2::ExifKey(key));
            if (found != exif.end())
                sum += textSum(found->toString());
        };
        const auto real = [&](const char* key) {
            const auto found = exif.findKey(Exiv2::ExifKey(key));
            if (found != exif.end() && found->count() > 0)
                sum += realSum(found->toFloat(0));
        };
        text("Exif.Image.Make");
        text("Exif.Image.Model");
        text("Exif.Photo.LensModel");
        real("Exif.Photo.FocalLength");
        real("Exif.Photo.FNumber");
        real("Exif.Photo.ExposureTime");
        const auto iso = exif.findKey(Exiv2::ExifKey("Exif.Photo.ISOSpeedRatings"));
        if (iso != exif.end() && iso->count() > 0)
            sum += static_cast<std::uint64_t>(iso->toLong(0));
        text("Exif.Photo.DateTimeOriginal");
        return sum;
    } catch (const std::exception&) {
        // exiv2 throws on files it cannot read; that file simply yields nothing.
        return 0;
    }
}

std::uint64_t readFloor(const std::string& file)
{
    static thread_local std::vector<char> buffer(64 * 1024);
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t total = 0;
    while (total < buffer.size()) {
        const ssize_t got = read(fd, buffer.data() + total, buffer.size() - total);
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    close(fd);
    return total + static_cast<unsigned char>(buffer[0]);
}

// Passes over all files; returns microseconds spent.
double timePasses(Method& method, std::size_t fileCount, long passes)
{
    const auto start = Clock::now();
    for (long pass = 0; pass < passes; ++pass) {
        for (std::size_t i = 0; i < fileCount; ++i)
            method.checksum += method.readOne(i);
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int runReaderBench(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: optara-bench reader DIR\n");
        return 2;
    }
    const std::vector<std::string> paths = optara::gatherFiles({argv[1]});
    if (paths.empty()) {
        std::fprintf(stderr, "no JPEG files under %s\n", argv[1]);
        return 1;
    }
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);

    // Names are built once, in the form each reader takes, outside the timing.
    std::vector<std::string> files;
    for (const fs::path path : paths)
        files.push_back(path.native());
    std::vector<Method> methods;
    methods.push_back({"optara", [&](std::size_t i) { return readOurs(paths[i]); }});
    methods.push_back({"exiv2", [&](std::size_t i) { return readExiv2(files[i]); }});
    methods.push_back({"floor", [&](std::size_t i) { return readFloor(files[i]); }});

    // Warm the page cache and the code, then size each sample.
    for (auto& method : methods) {
        timePasses(method, files.size(), 2);
        const double onePass = std::max(timePasses(method, files.size(), 1), 1.0);
        const double wanted = std::chrono::duration<double, std::micro>(minimumSample).count();
        method.passesPerSample = std::max(1L, static_cast<long>(wanted / onePass + 0.5));
    }

    // Methods take turns in every round, so a noisy moment on the machine
    // spreads over all of them instead of spoiling one.
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < methods.size(); ++i) {
            Method& method = methods[(i + static_cast<std::size_t>(round)) % methods.size()];
            const double us = timePasses(method, files.size(), method.passesPerSample);
            method.usPerFile.push_back(
                us / static_cast<double>(method.passesPerSample * static_cast<long>(files.size())));
        }
    }

    const double oursUs = median(methods[0].usPerFile);
    const double exiv2Us = median(methods[1].usPerFile);
    const double floorUs = median(methods[2].usPerFile);
    for (const auto& method : methods) {
        std::printf("%-7s median %.3f us/file, best %.3f (checksum %llx)\n", method.name,
                    median(method.usPerFile),
                    *std::min_element(method.usPerFile.begin(), method.usPerFile.end()),
                    static_cast<unsigned long long>(method.checksum));
    }
    std::printf("exiv2/optara %.1fx, optara/floor %.2fx\n", exiv2Us / oursUs, oursUs / floorUs);
    std::printf("files=%zu us_per_file=%.3f exiv2_us_per_file=%.3f floor_us_per_file=%.3f\n", files.size(),
                oursUs, exiv2Us, floorUs);
    return 0;
}
