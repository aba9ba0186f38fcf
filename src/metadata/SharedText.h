#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>
#include <utility>

namespace optara {

// An immutable text on the heap, shared by its copies through a reference
// count: one pointer, null when there is no text (an empty text is not null).
// Copies may be made and dropped on any thread. A text longer than 2^32 - 1
// bytes is cut to that length.
class SharedText {
  public:
    SharedText() = default;
    explicit SharedText(std::string_view text);

    // The text a recent call on this thread made, when equal, else a new one:
    // records built one after another share their folder and camera texts
    // without a lock. Each thread keeps a few dozen recent texts alive.
    static SharedText reusing(std::string_view text);

    SharedText(const SharedText& other);
    SharedText(SharedText&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    SharedText& operator=(SharedText other) noexcept
    {
        swap(*this, other);
        return *this;
    }
    ~SharedText();
    friend void swap(SharedText& a, SharedText& b) noexcept { std::swap(a.block_, b.block_); }

    explicit operator bool() const { return block_ != nullptr; }
    // Empty when null.
    std::string_view view() const
    {
        return block_ ? std::string_view(reinterpret_cast<const char*>(block_ + 1), block_->size)
                      : std::string_view();
    }

  private:
    // The text's bytes follow the header in the same allocation.
    struct Block {
        explicit Block(std::uint32_t bytes) : size(bytes) {}

        std::atomic<std::uint32_t> holders = 1;
        const std::uint32_t size;
    };

    Block* block_ = nullptr;
};

} // namespace optara
