#include "StatsAnalyzer.h"

#include "Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace optara {

namespace {

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept
    {
        return std::hash<std::string_view>{}(text);
    }
};

// Counts labels in first-seen order. Labels are keyed by their NFC form so
// that canonically equivalent spellings share a row; the row shows the first
// spelling met.
class Tally {
  public:
    explicit Tally(std::size_t expected) { index_.reserve(std::min<std::size_t>(expected, 1024)); }

    void add(std::string_view label)
    {
        if (text::isAscii(label)) {
            count(label, label);
        } else {
            const std::string key = text::normalized(label);
            count(key, label);
        }
    }

    std::vector<StatItem> ranked() &&
    {
        // Stable: rows of equal count keep their first-seen order.
        std::stable_sort(rows_.begin(), rows_.end(),
                         [](const Row& a, const Row& b) { return a.count > b.count; });
        std::vector<StatItem> items;
        items.reserve(rows_.size());
        for (Row& row : rows_)
            items.emplace_back(std::move(row.label), row.count);
        return items;
    }

  private:
    struct Row {
        std::string label;
        std::int64_t count;
    };

    void count(std::string_view key, std::string_view shown)
    {
        if (const auto found = index_.find(key); found != index_.end()) {
            ++rows_[found->second].count;
            return;
        }
        index_.emplace(std::string(key), rows_.size());
        rows_.push_back(Row{std::string(shown), 1});
    }

    std::unordered_map<std::string, std::size_t, StringHash, std::equal_to<>> index_;
    std::vector<Row> rows_;
};

template <typename LabelOf>
std::vector<StatItem> rank(const std::vector<ImageMetadata>& photos, LabelOf labelOf)
{
    Tally tally(photos.size());
    for (const ImageMetadata& photo : photos)
        labelOf(photo, [&tally](std::string_view label) { tally.add(label); });
    return std::move(tally).ranked();
}

constexpr std::string_view unknown = "Unknown";

// 2^63 exactly; every double in [-2^63, 2^63) truncates into int64_t.
constexpr double int64Bound = 9223372036854775808.0;

} // namespace

const StatsAnalyzer& StatsAnalyzer::shared()
{
    static const StatsAnalyzer instance;
    return instance;
}

std::vector<StatItem> StatsAnalyzer::topCameras(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, [](const ImageMetadata& photo, auto&& add) { add(photo.cameraName()); });
}

std::vector<StatItem> StatsAnalyzer::topLenses(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, [](const ImageMetadata& photo, auto&& add) { add(photo.lensName()); });
}

std::vector<StatItem> StatsAnalyzer::topFocalLengths(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, [](const ImageMetadata& photo, auto&& add) {
        const std::optional<double> focal = photo.focalLength();
        // NaN and the infinities fail the range test as well.
        if (!focal || !(*focal >= -int64Bound && *focal < int64Bound)) {
            add(unknown);
            return;
        }
        const auto millimetres = static_cast<std::int64_t>(*focal);
        std::array<char, 24> buffer{};
        char* end = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 2, millimetres).ptr;
        *end++ = 'm';
        *end++ = 'm';
        add(std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())));
    });
}

std::vector<StatItem> StatsAnalyzer::topApertures(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, [](const ImageMetadata& photo, auto&& add) {
        const std::optional<double> aperture = photo.aperture();
        if (!aperture) {
            add(unknown);
            return;
        }
        // to_chars rounds like printf's "%.1f" but never uses the locale's
        // decimal separator. The largest double needs 309 integer digits.
        std::array<char, 2 + 309 + 2 + 16> buffer{'f', '/'};
        const auto result = std::to_chars(buffer.data() + 2, buffer.data() + buffer.size(), *aperture,
                                          std::chars_format::fixed, 1);
        add(std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
    });
}

} // namespace optara
