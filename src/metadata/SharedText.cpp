#include "SharedText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

namespace optara {

namespace {

constexpr std::size_t mostBytes = std::numeric_limits<std::uint32_t>::max();

// Far below the count's limit, so that copies racing past it on other threads
// cannot wrap it before they see it.
constexpr std::uint32_t mostHolders = std::uint32_t{1} << 31;

// Enough for a folder and the makes, models and lenses of ten cameras whose
// photos are mixed in it; fewer would lose them all at once, as the least
// recently used goes first.
constexpr std::size_t recentTexts = 32;

} // namespace

SharedText::SharedText(std::string_view text)
{
    const auto size = static_cast<std::uint32_t>(std::min(text.size(), mostBytes));
    block_ = new (::operator new(sizeof(Block) + size)) Block(size);
    if (size > 0)
        std::memcpy(reinterpret_cast<char*>(block_ + 1), text.data(), size);
}

SharedText SharedText::reusing(std::string_view text)
{
    // Most recently used first; null entries only at the end.
    thread_local std::array<SharedText, recentTexts> recent;
    text = text.substr(0, mostBytes);
    for (std::size_t i = 0; i < recent.size() && recent[i]; ++i)
        if (recent[i].view() == text) {
            std::rotate(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(i),
                        recent.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return recent.front();
        }
    std::rotate(recent.begin(), recent.end() - 1, recent.end());
    recent.front() = SharedText(text);
    return recent.front();
}

SharedText::SharedText(const SharedText& other) : block_(other.block_)
{
    // A text held that many times is copied rather than counted on; the
    // source's own hold keeps the count from reaching zero meanwhile.
    if (block_ && block_->holders.fetch_add(1, std::memory_order_relaxed) >= mostHolders) {
        block_->holders.fetch_sub(1, std::memory_order_relaxed);
        SharedText copy(other.view());
        block_ = std::exchange(copy.block_, nullptr);
    }
}

SharedText::~SharedText()
{
    // acq_rel: the last holder frees the block only after every other
    // holder's use of it.
    if (block_ && block_->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block_->~Block();
        ::operator delete(block_);
    }
}

} // namespace optara
